#!/usr/bin/env python3
"""Times `vezuved convert IN.gpx OUT.gpx --simplify 10m` on two tracks of
the same length: a wandering walk, and a survey grid flown back and forth
(rows of 100 points 2 m apart, 20 m between rows), the shape whose every
stretch has its farthest point near one end. Prints both wall times and
their ratio beside the target (the grid at most 3 times the walk).

    bench/tool_simplify_shapes.py --tool build/cli/vezuved [--points 600000]

BENCH_QUICK=1 uses 1/100 of the points.
"""
import argparse
import math
import os
import random
import subprocess
import sys
import tempfile
import time

METRE = 1 / 111195.0  # of latitude


def walk(count, rng):
    latitude, longitude, heading = 45.8, 6.9, 0.0
    for _ in range(count):
        heading += (rng.random() - 0.5) * 0.2
        latitude += math.cos(heading) * 1.2e-5 + (rng.random() - 0.5) * 2e-6
        longitude += math.sin(heading) * 1.7e-5 + (rng.random() - 0.5) * 3e-6
        yield latitude, longitude


def grid(count, rng):
    across = METRE / math.cos(math.radians(45.8))
    for i in range(count):
        row, along = divmod(i, 100)
        x = 2.0 * (along if row % 2 == 0 else 99 - along)
        yield (45.8 + (20.0 * row + (rng.random() - 0.5) * 0.5) * METRE,
               6.9 + (x + (rng.random() - 0.5) * 0.5) * across)


def write_gpx(path, points):
    with open(path, "w", encoding="utf-8") as out:
        out.write('<?xml version="1.0" encoding="UTF-8"?>\n'
                  '<gpx version="1.1" creator="bench" xmlns="http://www.topografix.com/GPX/1/1">\n'
                  '<trk><name>t</name><trkseg>\n')
        for i, (latitude, longitude) in enumerate(points):
            seconds = 1628920800 + i
            stamp = time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(seconds))
            out.write(f'<trkpt lat="{latitude:.7f}" lon="{longitude:.7f}"><time>{stamp}</time></trkpt>\n')
        out.write("</trkseg></trk>\n</gpx>\n")


def timed(tool, source, folder):
    output = os.path.join(folder, "out-" + os.path.basename(source))
    start = time.perf_counter()
    run = subprocess.run([tool, "convert", source, output, "--simplify", "10m"],
                         capture_output=True, text=True)
    seconds = time.perf_counter() - start
    if run.returncode != 0:
        sys.exit(f"vezuved failed on {source}: {run.stderr}")
    return seconds, run.stderr.strip()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tool", required=True)
    parser.add_argument("--points", type=int, default=600000)
    args = parser.parse_args()
    count = args.points // (100 if os.environ.get("BENCH_QUICK") == "1" else 1)
    with tempfile.TemporaryDirectory() as folder:
        times = {}
        for name, shape in (("walk", walk), ("grid", grid)):
            path = os.path.join(folder, name + ".gpx")
            write_gpx(path, shape(count, random.Random(7)))
            times[name], said = timed(args.tool, path, folder)
            print(f"{name}: {count} points, {times[name]:.2f} s ({said})")
        print(f"grid / walk: {times['grid'] / times['walk']:.2f}x (target at most 3x)")


if __name__ == "__main__":
    main()
