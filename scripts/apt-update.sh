#!/usr/bin/env bash
# `apt-get update` that outlasts a Debian mirror out of step with itself.
# While a mirror syncs (or a cache in front of it holds an old copy), an index
# can come at a size its Release file does not name; apt then keeps the lists
# it had for that index and fails the whole update. Tries three times, waiting
# between; if the last try fails too, apt's errors are printed as a warning
# and the install that follows goes on from the lists apt kept. That install
# fails with apt's own words if those lists cannot give it what it asks for,
# an i386 package of another version than its amd64 twin among them.
set -euo pipefail
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
wait_seconds=${APT_UPDATE_WAIT:-20}
for attempt in 1 2 3; do
  if log=$($SUDO apt-get update -qq 2>&1); then
    exit 0
  fi
  if [ "$attempt" -lt 3 ]; then
    echo "apt-get update failed (try $attempt of 3), trying again in ${wait_seconds}s" >&2
    sleep "$wait_seconds"
    wait_seconds=$((wait_seconds * 2))
  fi
done
echo "warning: apt-get update failed three times; going on with the package lists apt kept:" >&2
printf '%s\n' "$log" | grep -E '^E:' >&2 || printf '%s\n' "$log" >&2
