#!/usr/bin/env bash
# Test-time driver of the engine's libFuzzer targets (the main build uses
# GCC, which has no libFuzzer).
#   run_fuzz.sh build <source dir> <build dir>
#       configure and build with clang++; exit 77 (skipped) without clang++
#       or its libFuzzer runtime
#   run_fuzz.sh run <build dir> <target> <seed dir> <seconds>
set -u
mode="$1"
if [ "$mode" = build ]; then
  src="$2" bin="$3"
  clangxx="$(command -v clang++ || command -v clang++-14 || command -v clang++-15 || true)"
  if [ -z "$clangxx" ]; then echo "clang++ not found: fuzz targets skipped"; exit 77; fi
  probe="$(mktemp -d)"
  echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' >"$probe/p.cpp"
  if ! "$clangxx" -fsanitize=fuzzer,address "$probe/p.cpp" -o "$probe/p" 2>/dev/null; then
    rm -rf "$probe"; echo "libFuzzer runtime missing: fuzz targets skipped"; exit 77
  fi
  rm -rf "$probe"
  cmake -S "$src" -B "$bin" -DCMAKE_CXX_COMPILER="$clangxx" -DCMAKE_BUILD_TYPE=Debug >/dev/null || exit 1
  exec cmake --build "$bin" -j2
elif [ "$mode" = run ]; then
  bin="$2" target="$3" seeds="$4" seconds="$5"
  if [ ! -x "$bin/$target" ]; then echo "$target was not built: skipped"; exit 77; fi
  work="$bin/corpus-$target"
  mkdir -p "$work"
  args=()
  [ -d "$seeds" ] && args+=("$seeds")
  cd "$bin" || exit 1
  exec "./$target" -max_total_time="$seconds" -rss_limit_mb=1024 -malloc_limit_mb=256 -timeout=10 -error_exitcode=1 \
    -print_final_stats=1 "$work" "${args[@]}"
else
  echo "usage: run_fuzz.sh build <src> <bin> | run <bin> <target> <seeds> <seconds>" >&2
  exit 2
fi
