"""The README's examples come from the tool: each block that follows a
line `<!-- example: COMMAND -->` is what COMMAND prints. This runs every
such command, in order, in a scratch folder holding a copy of examples/,
with the built xbt and xbtconv first on PATH and the built Python module
importable, and compares what it prints with the block: JSON blocks as
JSON (the README may lay a document out over several lines), other blocks
as text, line ends taken as they come.

    check_readme_examples.py README BUILD_DIR [--update]

--update rewrites the blocks from what the commands print instead.
Prints each difference; exits 1 on any.
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

EXAMPLE = re.compile(r"<!-- example: (.*?) -->\n(```\w*)\n(.*?)```\n", re.S)


def normal(text):
    return text.replace("\r\n", "\n")


def same(block, printed, fence):
    if fence == "```json":
        try:
            return json.loads(block) == json.loads(printed)
        except ValueError:
            return False
    return normal(block) == normal(printed)


def layout(document):
    """A document for reading: a key to a line, each value on it."""
    lines = [f" {json.dumps(key)}: {json.dumps(value, ensure_ascii=False)}"
             for key, value in document.items()]
    return "{\n" + ",\n".join(lines) + "\n}\n"


def main():
    readme, build = sys.argv[1], os.path.abspath(sys.argv[2])
    update = "--update" in sys.argv
    with open(readme, encoding="utf-8") as text:
        content = text.read()
    source = os.path.dirname(os.path.abspath(readme))
    # Debian's Python first, as the module was built for it.
    environment = dict(os.environ, PATH=os.pathsep.join([build, "/usr/bin", os.environ["PATH"]]),
                       PYTHONPATH=os.path.join(build, "python"), LC_ALL="C.UTF-8")
    problems = checked = 0
    pieces = []
    end = 0
    with tempfile.TemporaryDirectory() as scratch:
        shutil.copytree(os.path.join(source, "examples"), os.path.join(scratch, "examples"))
        for match in EXAMPLE.finditer(content):
            command, fence, block = match.groups()
            run = subprocess.run(["bash", "-c", command], cwd=scratch, env=environment,
                                 capture_output=True, text=True)
            printed = run.stdout
            checked += 1
            if fence == "```json" and update:
                printed = layout(json.loads(printed))
            if not update and not same(block, printed, fence):
                problems += 1
                print(f"README example `{command}` prints:\n{printed}{run.stderr}")
            pieces.append(content[end:match.start(3)] + normal(printed))
            end = match.end(3)
    if update:
        with open(readme, "w", encoding="utf-8") as text:
            text.write("".join(pieces) + content[end:])
    print(f"{checked} README examples checked, {problems} differ")
    return 1 if problems or not checked else 0


if __name__ == "__main__":
    sys.exit(main())
