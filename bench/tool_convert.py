#!/usr/bin/env python3
"""Times `vezuved convert` from a large CSV track to GPX, GeoJSON and KML.

Writes a track of seven-decimal coordinates, elevations, times and names
with its definition, converts it to each map document twice -- the way the
tool takes a single text file (read again for each pass, never held), and
forced through the sets held in memory (--what tracks) -- and prints for
each run the wall time, the tool's peak memory (max RSS, through GNU time) and that memory as
a multiple of the input's size. The two documents must be byte-identical.

    bench/tool_convert.py --tool build/cli/vezuved [--points 200000] [--before OLD_TOOL]

--before also runs an older build of the tool on the same file (its
document must be the same bytes too).
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
    """Wall seconds and peak memory (bytes) of one run of the tool.

    GNU time starts the tool from its own small process and reports the
    tool's max RSS; a child started straight from this script would count
    the script's own memory too (Linux keeps a process's peak across exec).
    """
    start = time.monotonic()
    done = subprocess.run(["/usr/bin/time", "-f", "peak %M"] + arguments, stdout=subprocess.DEVNULL,
                          stderr=subprocess.PIPE)
    seconds = time.monotonic() - start
    error = done.stderr.decode(errors="replace")
    if done.returncode != 0:
        sys.exit("vezuved failed: %s\n%s" % (" ".join(arguments), error))
    last = error.strip().splitlines()[-1]
    if not last.startswith("peak "):
        sys.exit("no peak memory from /usr/bin/time: %s" % last)
    return seconds, int(last.split()[1]) * 1024


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tool", required=True)
    parser.add_argument("--points", type=int, default=200000)
    parser.add_argument("--before", help="an older build of the tool, run the same way")
    options = parser.parse_args()
    if not os.access("/usr/bin/time", os.X_OK):
        sys.exit("the benchmark measures through GNU time: install the 'time' package")
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
            runs = [("held in memory", options.tool, ["--what", "tracks"]), ("streamed", options.tool, [])]
            if options.before:
                runs.insert(0, ("older build", options.before, []))
            for number, (path, tool, extra) in enumerate(runs):
                output = os.path.join(folder, "run%d.%s" % (number, extension))
                seconds, peak = run([tool, "convert", csv, output, "-d", cal] + extra)
                outputs[path] = output
                print("| %s | %s | %.2f | %.1f | %.2f |" % (extension, path, seconds, peak / 1e6, peak / size))
                sys.stdout.flush()
            with open(outputs["streamed"], "rb") as streamed:
                document = streamed.read()
            for path, output in outputs.items():
                with open(output, "rb") as other:
                    if other.read() != document:
                        sys.exit("the streamed %s differs from the one %s" % (extension, path))
            for output in outputs.values():
                os.remove(output)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
