#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS
# (default 60) from freshly generated seeds. Any crash, leak, timeout or
# sanitizer report fails; the input that caused it is kept in
# $build/artifacts. Usage: scripts/fuzz.sh [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEZUVED_DEBUG_INFO="${VEZUVED_DEBUG_INFO:-ON}" \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DVEZUVED_FUZZ=ON -DVEZUVED_BUILD_TESTS=OFF -DVEZUVED_BUILD_CLI=OFF >/dev/null
cmake --build "$build" --target fuzz_all -j"$(nproc)"

targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=(fuzz_pdb_container fuzz_read_database fuzz_point_line fuzz_format_text
           fuzz_text_import fuzz_coordinates fuzz_time fuzz_map_read fuzz_definition_words)
fi
seeds="$build/seeds"
rm -rf "$seeds"
"$build/fuzz/fuzz_make_seeds" "$seeds"
mkdir -p "$build/artifacts"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# One target per core at a time: each still gets a core for its minute.
run() {
  local target=$1 corpus="$build/corpus/$1"
  # The working corpus grows across runs in the build folder; the seeds
  # are read as a second folder and never written to.
  mkdir -p "$corpus" "$seeds/$target"
  "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=16384 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$target-" "$corpus" "$seeds/$target" \
    >"$build/$target.log" 2>&1
}
parallel=${FUZZ_JOBS:-$(nproc)}
pids=()
for target in "${targets[@]}"; do
  while (($(jobs -rp | wc -l) >= parallel)); do wait -n || true; done
  echo "== $target: ${seconds}s"
  run "$target" &
  pids+=("$!")
done
failed=()
for i in "${!targets[@]}"; do
  target=${targets[$i]}
  if wait "${pids[$i]}"; then
    echo "$target: $(grep -E '^#[0-9]+.*DONE' "$build/$target.log" | tail -n 1)"
  else
    echo "== $target failed"
    tail -n 60 "$build/$target.log"
    failed+=("$target")
  fi
done
if ((${#failed[@]})); then
  echo "fuzzing failed: ${failed[*]}" >&2
  exit 1
fi
