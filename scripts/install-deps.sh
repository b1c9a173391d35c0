#!/usr/bin/env bash
# Installs what a fresh Debian/Ubuntu machine lacks to build and test VEZUVed.
# gpsbabel, gdal-bin (ogrinfo, ogr2ogr), xmllint and rsvg-convert are the
# independent readers the tool's outputs are checked with; clang-format
# checks the formatting of changed files (scripts/check-format.sh); libgdal-dev
# builds the GDAL driver, which ogrinfo, ogr2ogr, python3-gdal and GeoPandas
# then open databases through; python3-pygments cuts the sources into tokens
# for scripts/mutation.sh.
set -euo pipefail
packages=(cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
          g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 libxml2-utils python3 clang-14 libclang-rt-14-dev valgrind
          g++-multilib libc6-dev-i386
          libexpat1-dev nlohmann-json3-dev libzip-dev libgeographiclib-dev libcpp-httplib-dev pkg-config
          libhowardhinnant-date-dev tzdata libcsv-dev
          gpsbabel gdal-bin librsvg2-bin linux-perf time zip clang-format
          libgdal-dev python3-gdal python3-geopandas python3-pygments)
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
missing=()
for p in "${packages[@]}"; do
  # dpkg-query, not dpkg -s: the latter refuses a name installed for two
  # architectures (libexpat1-dev beside libexpat1-dev:i386).
  dpkg-query -W -f='${db:Status-Status}\n' "$p" 2>/dev/null | grep -qx installed || missing+=("$p")
done
if ((${#missing[@]})); then
  "$(dirname "$0")/apt-update.sh"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -o Acquire::Retries=3 -y -qq "${missing[@]}"
fi

# The 32-bit packages: the -m32 build reads GPX and KML through the 32-bit
# expat, and the 32-bit Windows programs run under Wine's 32-bit loader
# (/usr/lib/wine/wine, from wine32:i386).
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  "$(dirname "$0")/apt-update.sh"
fi
# An amd64 package and its i386 twin must stand at one version. When the
# i386 security list could not be fetched, the i386 twins exist only at the
# release's versions while the amd64 ones stand at the security archive's,
# and apt refuses the pair: then both twins are asked for at the i386
# version, provided that removes nothing.
matching_twins() {
  local wanted=() name version
  for name in "$@"; do
    version=$(apt-cache policy "$name:i386" | awk '/Candidate:/ {print $2}')
    [ -n "$version" ] && [ "$version" != "(none)" ] || return 1
    wanted+=("$name=$version" "$name:i386=$version")
  done
  local plan
  plan=$(apt-get install -s --allow-downgrades "${wanted[@]}") || return 1
  if grep -q '^Remv' <<<"$plan"; then
    echo "install-deps: matching the 32-bit twins would remove packages:" >&2
    grep '^Remv' <<<"$plan" >&2
    return 1
  fi
  echo "install-deps: installing the 32-bit twins at one version: ${wanted[*]}"
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -o Acquire::Retries=3 -y -qq --allow-downgrades "${wanted[@]}"
}
if ! dpkg -s libexpat1-dev:i386 >/dev/null 2>&1; then
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -o Acquire::Retries=3 -y -qq libexpat1-dev:i386 ||
    matching_twins libexpat1 libexpat1-dev linux-libc-dev
fi
# Debian's i386 archive is at times a build behind amd64's, and wine32:i386
# must have the very version of the amd64 wine packages: then apt refuses
# with an unmet dependency. That alone leaves the 32-bit Windows run out
# (scripts/windows-tests-32.sh says so); any other failure is one.
if ! dpkg -s wine32:i386 >/dev/null 2>&1; then
  apt_log=$(mktemp)
  if ! DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -o Acquire::Retries=3 -y -qq wine32:i386 >"$apt_log" 2>&1; then
    reason=$(grep -m1 -E '(Depends|PreDepends|Breaks|Conflicts): .*(but|not installable|not going to be installed)|generated breaks|held broken packages' "$apt_log" |
             sed -E 's/^(E: )?[[:space:]]*//; s/[[:space:]]+/ /g' || true)
    if [ -n "$reason" ]; then
      echo "wine32:i386 cannot be installed now, Debian's i386 archive is out of step with amd64 ($reason): the 32-bit Windows run is left out"
    else
      cat "$apt_log" >&2
      rm -f "$apt_log"
      exit 1
    fi
  fi
  rm -f "$apt_log"
fi
