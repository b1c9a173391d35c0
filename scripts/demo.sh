#!/usr/bin/env bash
# Builds the tool and shows the main job on the example data:
# a text track log becomes a handheld database, a table, a GPX file and a
# picture with its elevation profile.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target vezuved_cli >/dev/null
vezuved="$build/cli/vezuved"
out="$build/demo"
mkdir -p "$out"

run() { echo "\$ vezuved $*"; "$vezuved" "$@"; echo; }

run formats examples/formats
run import examples/data/hike-track.csv -d examples/formats/track.cal -o "$out/hike.pdb"
run info "$out/hike.pdb"
run show "$out/hike.pdb"
run convert "$out/hike.pdb" "$out/hike.gpx"
head -n 16 "$out/hike.gpx"
echo "  ..."
if command -v xmllint >/dev/null; then
  echo
  xmllint --noout --schema tests/cli/gpx-1.1.xsd "$out/hike.gpx"
fi
echo
run convert "$out/hike.pdb" "$out/hike.html"
echo "Open $out/hike.html in a browser to see the track and its elevation profile."
