"""The gallery in docs/ as the repository holds it: every link of
docs/gallery/index.html (plots, reports, JSON) leads to a file git tracks,
so that a clone shows no broken link.

    check_docs_gallery.py SOURCE_DIR
"""
import json
import os
import subprocess
import sys
import urllib.parse


def main():
    source = sys.argv[1]
    gallery = os.path.join(source, "docs", "gallery")
    with open(os.path.join(gallery, "index.html"), encoding="utf-8") as page:
        text = page.read()
    start = text.index(">", text.index("<script type='application/json' id='rows'>")) + 1
    rows = json.loads(text[start:text.index("</script>", start)])
    tracked = set(subprocess.run(["git", "-C", source, "ls-files", "docs/gallery"], check=True,
                                 capture_output=True, text=True).stdout.split("\n"))
    links = [row[key] for row in rows for key in ("plot", "report", "data") if row[key]]
    broken = [link for link in links
              if "docs/gallery/" + urllib.parse.unquote(link) not in tracked]
    for link in broken:
        print(f"docs/gallery/index.html: {link} is not in the repository")
    print(f"{len(rows)} rows, {len(links)} links, {len(broken)} broken")
    return 1 if broken or not links else 0


if __name__ == "__main__":
    sys.exit(main())
