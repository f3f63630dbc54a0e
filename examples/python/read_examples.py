"""Reads the bundled example messages with the xbtconv module: one line per
file with its quality flag, and, where matplotlib is installed, a plot of
one profile (temperature against depth, flagged samples marked).

    python3 examples/python/read_examples.py [FOLDER] [PLOT.png]

FOLDER defaults to the examples beside this file; PLOT.png, when given, is
where the plot goes.
"""
import os
import sys

import numpy as np

import xbtconv


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(here)
    profiles = []
    for item in xbtconv.read_all(folder, now="2026-12-01T00:00:00Z"):
        if not item:
            print(f"{os.path.basename(item.path)}: {item.reason}")
            continue
        deepest = np.nanmax(item.depth_m) if np.isfinite(item.depth_m).any() else float("nan")
        print(f"{item.source}: {len(item.temperature_c)} samples to {deepest:.1f} m, "
              f"quality flag {item.qc.profile_flag}"
              + ("" if item.decoded else f" ({item.reason})"))
        profiles.append(item)
    if len(sys.argv) > 2:
        plot(max(profiles, key=lambda obs: len(obs.temperature_c)), sys.argv[2])


def plot(obs, path):
    try:
        import matplotlib
        matplotlib.use("Agg")
        import matplotlib.pyplot as plt
    except ImportError:
        print("matplotlib is not installed: no plot")
        return
    figure, axes = plt.subplots(figsize=(4, 6))
    axes.plot(obs.temperature_c, obs.depth_m, color="#c0392b")
    for flag, marker in ((3, "o"), (4, "x")):
        flagged = obs.temperature_qc == flag
        axes.scatter(obs.temperature_c[flagged], obs.depth_m[flagged], marker=marker,
                     label=f"quality flag {flag}", facecolors="none" if marker == "o" else None,
                     edgecolors="#e67e22" if marker == "o" else None,
                     color=None if marker == "o" else "#5b2c6f")
    axes.invert_yaxis()
    axes.set_xlabel("Temperature (°C)")
    axes.set_ylabel("Depth (m)")
    axes.set_title(f"{obs.ship.name or obs.ship.call_sign}, {obs.time}")
    axes.legend()
    figure.tight_layout()
    figure.savefig(path)
    print(f"plotted {obs.source} to {path}")


if __name__ == "__main__":
    main()
