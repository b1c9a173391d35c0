#!/usr/bin/env python3
"""Times `vezuved convert` from a large CSV track to GPX, GeoJSON and KML.

Writes a track of seven-decimal coordinates, elevations, times and names
with its definition, converts it to each map document twice -- the way the
tool takes a single text file (read again for each pass, never held), and
forced through the sets held in memory (--what tracks) -- and prints for
each run the wall time, the child's peak memory (max RSS) and that memory as
a multiple of the input's size. The two documents must be byte-identical.

    bench/tool_convert.py --tool build/cli/vezuved [--points 200000]
BENCH_QUICK=1 uses 1/100 of the points.
"""
import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

DEFINITION = """FormatTitle = Track log, metres
Delimited = ,
HeaderLines = 1
Header = latitude,longitude,elevation_m,time,date,name
FieldCount = 6
latitude = 0
longitude = 1
elevation = 2
time = 3
date = 4
name = 5
icon = -1
desc = -1
EleFormat = Metres
DBType = Track
Ext = csv
"""


def write_track(path, points):
    rng = random.Random(20261206)
    lat, lon, ele = 45.3311000, -121.7113000, 1829.0
    with open(path, "w", newline="") as out:
        out.write("latitude,longitude,elevation_m,time,date,name\r\n")
        lines = []
        for i in range(points):
            lat += rng.uniform(-0.0005, 0.0005)
            lon += rng.uniform(-0.0005, 0.0005)
            ele = max(0.0, ele + rng.uniform(-3, 3))
            seconds = 8 * 3600 + i * 5
            day = 14 + seconds // 86400
            seconds %= 86400
            clock = "%02d%02d%02d" % (seconds // 3600, seconds // 60 % 60, seconds % 60)
            lines.append("%.7f,%.7f,%.1f,%s,%02d082021,TP%06d\r\n" % (lat, lon, ele, clock, day, i + 1))
            if len(lines) == 10000:
                out.write("".join(lines))
                lines = []
        out.write("".join(lines))


def run(arguments):
    """Wall seconds and peak memory (bytes) of one run of the tool."""
    start = time.monotonic()
    child = subprocess.Popen(arguments, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(child.pid, 0)
    seconds = time.monotonic() - start
    error = child.stderr.read().decode(errors="replace")
    child.stderr.close()
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("vezuved failed: %s\n%s" % (" ".join(arguments), error))
    return seconds, usage.ru_maxrss * 1024


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tool", required=True)
    parser.add_argument("--points", type=int, default=200000)
    options = parser.parse_args()
    points = options.points
    if os.environ.get("BENCH_QUICK") == "1":
        points //= 100
    folder = tempfile.mkdtemp(prefix="vezuved-tool-bench-")
    try:
        csv = os.path.join(folder, "big.csv")
        cal = os.path.join(folder, "big.cal")
        with open(cal, "w") as out:
            out.write(DEFINITION)
        write_track(csv, points)
        size = os.path.getsize(csv)
        print("input: %d points, %.2f MB (%s)" % (points, size / 1e6, csv))
        print()
        print("| output | path | wall s | peak RSS MB | RSS / input |")
        print("|---|---|---:|---:|---:|")
        for extension in ("gpx", "geojson", "kml"):
            outputs = {}
            for path, extra in (("held in memory", ["--what", "tracks"]), ("streamed", [])):
                output = os.path.join(folder, "%s-%s.%s" % ("held" if extra else "streamed", "big", extension))
                seconds, peak = run([options.tool, "convert", csv, output, "-d", cal] + extra)
                outputs[path] = output
                print("| %s | %s | %.2f | %.1f | %.2f |" % (extension, path, seconds, peak / 1e6, peak / size))
                sys.stdout.flush()
            with open(outputs["held in memory"], "rb") as a, open(outputs["streamed"], "rb") as b:
                if a.read() != b.read():
                    sys.exit("the streamed %s differs from the one held in memory" % extension)
            for output in outputs.values():
                os.remove(output)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
