#!/usr/bin/env bash
# Faults generated from every source file, a random sample of them run
# against the suite; the kill rate per folder and every survivor with its
# diff. Not part of CI: a sample of 200 takes an hour or more on two cores.
#
#   scripts/mutation.sh                  a new seed, 200 faults that compile
#   scripts/mutation.sh --seed 7         the same sample again
#   scripts/mutation.sh --list           how many faults each folder gives
#   scripts/mutation.sh --help           the rest
# Needs python3 with Pygments (Debian: python3-pygments), and for the
# page's faults what scripts/browser-test.sh installs (or --no-browser).
# With ninja-build and lld installed it rebuilds several times quicker;
# with gcov (g++ has it) each fault runs only the tests that run its line.
exec python3 "$(dirname "$0")/mutation.py" "$@"
