#!/usr/bin/python3
"""Writes src/qc/land_mask.rle: which cells of a 0.1-degree grid are land
through and through, from the GSHHG shorelines (intermediate resolution) as
GMT's grdlandmask reads them (Debian packages gmt and gmt-gshhg-low).

A cell counts as land only when every node of a 0.02-degree grid over it,
its edges included, is land: a cell that any sea, lake or strait wider than
about 2 km reaches stays water, so that no drop at sea falls in a land cell.
Lakes are water (a drop in the Caspian or the Great Lakes is no error of
position); features smaller than 20 km2 are left out (an atoll is no land a
drop can be judged by, a pond no water). Antarctica's coast is its ice front:
a drop on an ice shelf is on land.

The file: for each row of cells from 90 S northwards (1,800 rows of 3,600
cells from 180 W eastwards), the lengths of its runs of cells, water first
(a row that starts with land starts with a run of 0), each an unsigned
LEB128 number. GSHHG is distributed under the GNU LGPL, version 3 or later;
so is the mask made from it (src/qc/land_mask.txt).

    tools/make_land_mask.py [OUTPUT]   (default src/qc/land_mask.rle)
"""
import os
import subprocess
import sys
import tempfile

import netCDF4
import numpy

CELL = 0.1          # degrees
STEP = 5            # nodes per cell side, 0.02 degrees apart, and one more at the far edge
BAND = 10           # degrees of latitude made at a time, to keep GMT's grid small
ROWS, COLUMNS = 1800, 3600


def band_cells(south, work):
    north = south + BAND
    grid = os.path.join(work, "band.nc")
    subprocess.run(["gmt", "grdlandmask", f"-R-180/180/{south}/{north}", f"-I{CELL / STEP}",
                    "-Di", "-A20", "-N0/1/0/1/0", f"-G{grid}=nb"], check=True, cwd=work)
    with netCDF4.Dataset(grid) as data:
        nodes = numpy.array(data.variables["z"][:], dtype=numpy.uint8)
        if data.variables["lat"][0] > data.variables["lat"][-1]:
            nodes = nodes[::-1]
    rows = BAND * 10
    assert nodes.shape == (rows * STEP + 1, COLUMNS * STEP + 1), nodes.shape
    land = numpy.ones((rows, COLUMNS), dtype=bool)
    for dr in range(STEP + 1):
        for dc in range(STEP + 1):
            land &= nodes[dr:dr + rows * STEP:STEP, dc:dc + COLUMNS * STEP:STEP] == 1
    return land


def leb128(value):
    out = bytearray()
    while True:
        byte = value & 0x7F
        value >>= 7
        out.append(byte | (0x80 if value else 0))
        if not value:
            return out


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else "src/qc/land_mask.rle"
    with tempfile.TemporaryDirectory() as work:
        land = numpy.vstack([band_cells(south, work) for south in range(-90, 90, BAND)])
    assert land.shape == (ROWS, COLUMNS)
    data = bytearray()
    runs = 0
    for row in land:
        edges = numpy.flatnonzero(row[1:] != row[:-1]) + 1
        bounds = [0] + edges.tolist() + [COLUMNS]
        lengths = [b - a for a, b in zip(bounds, bounds[1:])]
        if row[0]:
            lengths.insert(0, 0)
        runs += len(lengths)
        for length in lengths:
            data += leb128(length)
    with open(output, "wb") as file:
        file.write(data)
    print(f"{output}: {len(data)} bytes, {runs} runs, {int(land.sum())} land cells of {land.size}")


if __name__ == "__main__":
    main()
