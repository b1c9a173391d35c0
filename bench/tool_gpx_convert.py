#!/usr/bin/env python3
"""Times `vezuved convert` of a large timed GPX track to GPX, KML and GeoJSON.

Writes a track of 500,000 timed points with elevations (about 51 MB), then
in the same run measures, each through GNU time (CPU time, user and system,
and peak memory):
  - the floor: an expat parse of the file that reads every coordinate
    (bench/gpx_floor.cpp, built as vezuved_gpx_floor);
  - `gpsbabel -i gpx -f big.gpx -o FORMAT -F out` for each output, when
    gpsbabel is installed;
  - `vezuved convert big.gpx out.EXT` for each output.
Each run is repeated (--repeat, default 3) and its least CPU time kept: the
machine's other load only ever adds. The tool's CPU time is given as a
multiple of the floor's (target: 2.5 at most) and its peak memory as a
multiple of the input's size (target: under 2).

    bench/tool_gpx_convert.py --tool build/cli/vezuved --floor build/bench/vezuved_gpx_floor

BENCH_QUICK=1 uses 1/100 of the points and runs each once: a smoke test.
"""
import argparse
import datetime
import os
import random
import shutil
import subprocess
import sys
import tempfile

CPU_TARGET = 2.5
MEMORY_TARGET = 2.0
GPSBABEL_FORMATS = {"gpx": "gpx", "kml": "kml", "geojson": "geojson"}


def write_track(path, points):
    rng = random.Random(20261207)
    lat, lon, ele = 45.3311, -121.7113, 1829.0
    start = datetime.datetime(2021, 8, 14, 8, 0, 0)
    with open(path, "w", newline="\n") as out:
        out.write('<?xml version="1.0" encoding="UTF-8"?>\n'
                  '<gpx version="1.1" creator="vezuved bench" xmlns="http://www.topografix.com/GPX/1/1">\n'
                  "<trk>\n<name>Big</name>\n<trkseg>\n")
        lines = []
        for i in range(points):
            lat += rng.uniform(-0.0005, 0.0005)
            lon += rng.uniform(-0.0005, 0.0005)
            ele = max(0.0, ele + rng.uniform(-3, 3))
            when = (start + datetime.timedelta(seconds=5 * i)).strftime("%Y-%m-%dT%H:%M:%SZ")
            lines.append('  <trkpt lat="%.7f" lon="%.7f"><ele>%.1f</ele><time>%s</time></trkpt>\n'
                         % (lat, lon, ele, when))
            if len(lines) == 10000:
                out.write("".join(lines))
                lines = []
        out.write("".join(lines))
        out.write("</trkseg>\n</trk>\n</gpx>\n")


def measure(arguments, repeat):
    """Least CPU seconds (user + system) and the peak memory (bytes) of its run.

    GNU time starts the program from a small process of its own, so the
    peak is the program's, not this script's (Linux keeps a process's peak
    across exec).
    """
    best = None
    for _ in range(repeat):
        done = subprocess.run(["/usr/bin/time", "-f", "cpu %U %S peak %M"] + arguments,
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        error = done.stderr.decode(errors="replace")
        if done.returncode != 0:
            sys.exit("failed: %s\n%s" % (" ".join(arguments), error))
        words = error.strip().splitlines()[-1].split()
        if words[0] != "cpu":
            sys.exit("no figures from /usr/bin/time: %s" % error)
        run = (float(words[1]) + float(words[2]), int(words[4]) * 1024)
        if best is None or run[0] < best[0]:
            best = run
    return best


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tool", required=True)
    parser.add_argument("--floor", required=True, help="the vezuved_gpx_floor program")
    parser.add_argument("--points", type=int, default=500000)
    parser.add_argument("--repeat", type=int, default=3)
    options = parser.parse_args()
    if not os.access("/usr/bin/time", os.X_OK):
        sys.exit("the benchmark measures through GNU time: install the 'time' package")
    points, repeat = options.points, options.repeat
    quick = os.environ.get("BENCH_QUICK") == "1"
    if quick:
        points, repeat = points // 100, 1
    gpsbabel = shutil.which("gpsbabel")
    folder = tempfile.mkdtemp(prefix="vezuved-gpx-bench-")
    try:
        gpx = os.path.join(folder, "big.gpx")
        write_track(gpx, points)
        size = os.path.getsize(gpx)
        print("input: a track of %d timed points, %.1f MB" % (points, size / 1e6))
        if not gpsbabel:
            print("gpsbabel is not installed: its rows are left out")
        floor_cpu, floor_peak = measure([options.floor, gpx], repeat)
        # GNU time counts in hundredths: a quick run's floor may read as none.
        floor_cpu = max(floor_cpu, 0.01)
        print()
        print("| output | program | CPU s | peak MB | CPU / floor | peak / input |")
        print("|---|---|---:|---:|---:|---:|")
        print("| - | floor (expat, every coordinate) | %.2f | %.1f | 1.00 | %.2f |"
              % (floor_cpu, floor_peak / 1e6, floor_peak / size))
        verdicts = []
        for extension in ("gpx", "kml", "geojson"):
            runs = []
            if gpsbabel:
                output = os.path.join(folder, "gpsbabel." + extension)
                runs.append(("gpsbabel", [gpsbabel, "-i", "gpx", "-f", gpx, "-o", GPSBABEL_FORMATS[extension],
                                          "-F", output]))
            output = os.path.join(folder, "vezuved." + extension)
            runs.append(("vezuved", [options.tool, "convert", gpx, output]))
            for name, arguments in runs:
                cpu, peak = measure(arguments, repeat)
                print("| %s | %s | %.2f | %.1f | %.2f | %.2f |"
                      % (extension, name, cpu, peak / 1e6, cpu / floor_cpu, peak / size))
                sys.stdout.flush()
                if name == "vezuved":
                    verdicts.append((extension, cpu / floor_cpu, peak / size))
            for name in ("gpsbabel", "vezuved"):
                path = os.path.join(folder, "%s.%s" % (name, extension))
                if os.path.exists(path):
                    os.remove(path)
        print()
        for extension, cpu, memory in verdicts:
            within = cpu <= CPU_TARGET and memory < MEMORY_TARGET
            print("%s: %.2fx the floor's CPU time (target %.1fx), peak %.2fx the input (target under %.1fx)%s"
                  % (extension, cpu, CPU_TARGET, memory, MEMORY_TARGET,
                     "" if within else " -- OVER TARGET" + (" (quick run: no measure)" if quick else "")))
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
