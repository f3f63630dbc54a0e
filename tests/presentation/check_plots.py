"""Renders the plots xbt wrote with a real SVG renderer (rsvg-convert) and
checks the pictures against the data, and checks the index page.

    check_plots.py FOLDER JSON_LINES INPUTS

FOLDER holds NAME.svg for each message of JSON_LINES and index.html; INPUTS
is the number of input files (rows the index must have). For each plot:
the SVG is well-formed and self-contained (no script, no outside file);
the curve's colour lies where the data puts the warmest, the coldest and
the deepest sample, on the scales the axis labels state; a run of samples
without a value stays a gap; the frame is drawn; a message without samples
says so and has no curve; the data is clipped to the frame exactly.
Prints each problem; exits 1 on any.
"""
import json
import os
import subprocess
import sys
import tempfile
import urllib.parse
import xml.etree.ElementTree as ElementTree

from PIL import Image

SVG = "{http://www.w3.org/2000/svg}"


def curve(pixel):
    red, green, blue = pixel[:3]
    return red > 150 and green < 110 and blue < 110


def dark(pixel):
    return sum(pixel[:3]) < 200


def scale(points):
    """The linear map through (value, pixel) pairs, from the two ends."""
    (v0, p0), (v1, p1) = min(points), max(points)
    return lambda value: p0 + (value - v0) * (p1 - p0) / (v1 - v0)


def near(image, x, y, test, radius=3):
    return any(test(image.getpixel((int(round(x)) + dx, int(round(y)) + dy)))
               for dx in range(-radius, radius + 1) for dy in range(-radius, radius + 1)
               if 0 <= int(round(x)) + dx < image.width and 0 <= int(round(y)) + dy < image.height)


def check_plot(path, document, scratch):
    problems = []
    root = ElementTree.parse(path).getroot()
    for element in root.iter():
        if element.tag in (SVG + "script", SVG + "image", SVG + "foreignObject"):
            problems.append(f"has a {element.tag}")
        if any(key.endswith("href") for key in element.attrib):
            problems.append("refers to another file")
    png = os.path.join(scratch, "plot.png")
    subprocess.run(["rsvg-convert", "-w", "600", path, "-o", png], check=True)
    image = Image.open(png).convert("RGB")
    ticks = {"xtick": [], "ytick": []}
    for text in root.iter(SVG + "text"):
        kind = text.get("class")
        if kind in ticks:
            at = float(text.get("x") if kind == "xtick" else text.get("data-y"))
            ticks[kind].append((float(text.text), at))
    x_of, y_of = scale(ticks["xtick"]), scale(ticks["ytick"])
    top, bottom = min(p for _, p in ticks["ytick"]), max(p for _, p in ticks["ytick"])
    left, right = min(p for _, p in ticks["xtick"]), max(p for _, p in ticks["xtick"])
    frame = [(x, top) for x in range(int(left) + 5, int(right) - 5, 7)] + \
            [(left, y) for y in range(int(top) + 5, int(bottom) - 5, 7)]
    if sum(near(image, x, y, dark, 1) for x, y in frame) < 0.9 * len(frame):
        problems.append("no frame")
    # The data is clipped to the frame exactly: a curve running off the
    # scale stops at the frame's line, neither short of it nor past it.
    box = ("x", "y", "width", "height")
    frames = [tuple(float(r.get(k)) for k in box) for r in root.iter(SVG + "rect")
              if r.get("stroke") == "black" and r.get("fill") == "none"]
    clips = [tuple(float(r.get(k)) for k in box) for c in root.iter(SVG + "clipPath")
             for r in c.iter(SVG + "rect")]
    if len(frames) != 1 or clips != frames:
        problems.append(f"clip area {clips} is not the frame {frames}")
    clipped = [g for g in root.iter(SVG + "g") if g.get("clip-path")]
    if any(not any(p in g.iter() for g in clipped)
           for p in root.iter(SVG + "path") if p.get("stroke-linejoin") == "round"):
        problems.append("the curve is drawn outside the clip area")

    profile = document["profile"]
    depths, temperatures = profile["depth_m"], profile["temperature_c"]
    by_number = all(d is None for d in depths)
    points = [None if t is None or (d is None and not by_number) else
              (t, i + 1 if by_number else d) for i, (t, d) in enumerate(zip(temperatures, depths))]
    drawn = [p for p in points if p is not None]
    texts = " ".join(t.text or "" for t in root.iter(SVG + "text"))
    if not points:
        if "No samples in this message" not in texts:
            problems.append("a plot without samples does not say so")
        if any(curve(pixel) for pixel in image.getdata()):
            problems.append("a curve where there are no samples")
        return problems
    for what, (t, z) in (("warmest", max(drawn)), ("coldest", min(drawn)),
                         ("deepest", max(drawn, key=lambda p: p[1]))):
        if not near(image, x_of(t), y_of(z), curve):
            problems.append(f"no curve at the {what} sample ({t} degC, {z})")
    # A run of samples without a value between two with one: the middle of
    # the straight line that would join them stays blank.
    last = None
    for i, point in enumerate(points):
        if point is None:
            continue
        if last is not None and last < i - 1:
            (t0, z0), (t1, z1) = points[last], point
            x, y = (x_of(t0) + x_of(t1)) / 2, (y_of(z0) + y_of(z1)) / 2
            if abs(y_of(z1) - y_of(z0)) + abs(x_of(t1) - x_of(t0)) > 12 and \
                    near(image, x, y, curve, 1):
                problems.append(f"samples {last + 1} to {i + 1}: the gap is drawn over")
        last = i
    return problems


def index_rows(path):
    """The rows the index page holds, as the data its script shows."""
    with open(path, encoding="utf-8") as page:
        text = page.read()
    start = text.index("<script type='application/json' id='rows'>")
    start = text.index(">", start) + 1
    return json.loads(text[start:text.index("</script>", start)])


def main():
    folder, inputs = sys.argv[1], int(sys.argv[3])
    with open(sys.argv[2], encoding="utf-8") as lines:
        documents = [json.loads(line) for line in lines]
    failures = 0
    with tempfile.TemporaryDirectory() as scratch:
        for document in documents:
            name = document["source"][:-4] + ".svg"
            for problem in check_plot(os.path.join(folder, name), document, scratch):
                print(f"{name}: {problem}")
                failures += 1
    rows = index_rows(os.path.join(folder, "index.html"))
    if len(rows) != inputs:
        print(f"index.html: {len(rows)} rows for {inputs} inputs")
        failures += 1
    for link in (row[key] for row in rows for key in ("plot", "report", "data") if row[key]):
        if not os.path.exists(os.path.join(folder, urllib.parse.unquote(link))):
            print(f"index.html: {link} does not exist")
            failures += 1
    print(f"{len(documents)} plots checked, {failures} problems")
    return 1 if failures or not documents else 0


if __name__ == "__main__":
    sys.exit(main())
