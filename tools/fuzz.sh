#!/usr/bin/env bash
# Builds one fuzz target with clang and libFuzzer (ASan+UBSan) in its own build
# folder and runs it for a given time on a working copy of its corpus.
#
#   tools/fuzz.sh TARGET SECONDS [libFuzzer options...]
#   tools/fuzz.sh --list
#
# TARGET is a name from fuzz/CMakeLists.txt (--list names them). The build goes
# to build-fuzz/ (or $QUORVI_FUZZ_BUILD_DIR); new inputs the fuzzer finds collect in
# build-fuzz/corpus/TARGET, seeded from fuzz/corpus/TARGET; a crash, leak or
# hang leaves its input in build-fuzz/artifacts/TARGET/ and the script fails.
# Copy inputs worth keeping into fuzz/corpus/TARGET (small ones), so that the
# normal build replays them.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${QUORVI_FUZZ_BUILD_DIR:-$top/build-fuzz}

if [[ ${1:-} == --list ]]; then
  sed -n 's/^quorvi_add_fuzz_target(\([a-z_]*\).*/\1/p' "$top/fuzz/CMakeLists.txt"
  exit 0
fi
if (($# < 2)); then
  echo "usage: $0 TARGET SECONDS [libFuzzer options...] | --list" >&2
  exit 2
fi
target=$1 seconds=$2
shift 2

sanitizers="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
if [[ ! -f $build_dir/CMakeCache.txt ]]; then
  mkdir -p "$build_dir"
  cmake -S "$top" -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQUORVI_FUZZ=ON \
    "-DCMAKE_C_FLAGS=$sanitizers -fno-omit-frame-pointer" \
    "-DCMAKE_CXX_FLAGS=$sanitizers -fno-omit-frame-pointer" \
    "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined" \
    "-DCMAKE_SHARED_LINKER_FLAGS=-fsanitize=address,undefined" >"$build_dir/configure.log" 2>&1 ||
    { cat "$build_dir/configure.log"; rm -f "$build_dir/CMakeCache.txt"; exit 1; }
fi
cmake --build "$build_dir" --target "fuzz_$target" -j"${QUORVI_FUZZ_JOBS:-2}"

# Debian's jsoncpp is built without frame pointers: ASan's fast unwinder then
# records a different, garbage stack for each allocation inside it, and the
# sanitizer's store of stacks grows until the run reaches its memory limit.
# The exact unwinder is slower but keeps that store bounded.
case $target in
  login_answer) export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0 ;;
esac

corpus=$build_dir/corpus/$target
artifacts=$build_dir/artifacts/$target/
mkdir -p "$corpus" "$artifacts"
cp -n "$top/fuzz/corpus/$target"/* "$corpus/" 2>/dev/null || true
# Inputs up to 4 KiB: deep enough for every parser, small enough that an
# unchecked TinyXML parse stays within the stack.
exec "$build_dir/fuzz/fuzz_$target" "$corpus" -max_total_time="$seconds" -max_len=4096 \
  -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$artifacts" -print_final_stats=1 "$@"
