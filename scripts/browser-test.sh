#!/usr/bin/env bash
# Drives `vezuved serve`'s page in Debian's chromium through playwright-core:
# installs the browser and the test's npm packages (playwright-core, axe-core), builds the tool when
# it is missing, runs tests/browser/serve.test.js and leaves the page's
# screenshot in docs/serve.png, then times the first drawing of a large
# track (bench/page_first_drawing.js, with the test's npm packages).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
# Only what is missing is asked for, by command: a machine whose Node.js
# comes from elsewhere carries its own npm, which Debian's npm conflicts with.
missing=()
command -v chromium >/dev/null 2>&1 || missing+=(chromium)
command -v node >/dev/null 2>&1 || missing+=(nodejs)
command -v npm >/dev/null 2>&1 || missing+=(npm)
command -v unzip >/dev/null 2>&1 || missing+=(unzip)
if [ ${#missing[@]} -gt 0 ]; then
  "$(dirname "$0")/apt-update.sh"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -o Acquire::Retries=3 -y -qq "${missing[@]}"
fi
if [ ! -x "$build/cli/vezuved" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEZUVED_DEBUG_INFO="${VEZUVED_DEBUG_INFO:-ON}" >/dev/null
  cmake --build "$build" -j"$(nproc)" --target vezuved_cli rapi-emu
fi
(cd tests/browser && npm ci --no-audit --no-fund --silent)
VEZUVED_BUILD_DIR="$PWD/$build" timeout 300 node tests/browser/serve.test.js
# The page's drawing of a 100,000-point GPX, measured and printed.
VEZUVED_BUILD_DIR="$PWD/$build" NODE_PATH="$PWD/tests/browser/node_modules" timeout 300 node bench/page_first_drawing.js
