#!/usr/bin/env bash
# Configures the project as if GoogleTest and Google Benchmark were not installed, then builds the
# simulator and the headless runner: each skipped part gets its one-line note, the programs build and run,
# and there is no test or benchmark executable to build.
# Usage: without_test_libraries.sh SOURCE_DIR SCRATCH_DIR CMAKE GENERATOR CXX_COMPILER
set -u
src=$1 dir=$2 cmake=$3 generator=$4 cxx=$5
rm -rf "$dir" && mkdir -p "$dir" || exit 1
fail() {
    echo "FAIL $*"
    exit 1
}

"$cmake" -S "$src" -B "$dir/b" -G "$generator" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON >"$dir/configure.log" 2>&1 ||
    fail "configure: $(cat "$dir/configure.log")"
grep -qx -- "-- GoogleTest not found: building without the unit tests (make test installs it)" "$dir/configure.log" ||
    fail "no note about GoogleTest"
grep -qx -- "-- Google Benchmark not found: building without the benchmarks (make bench installs it)" \
    "$dir/configure.log" || fail "no note about Google Benchmark"
"$cmake" --build "$dir/b" -j 2 --target zt30-sim zt30-headless >"$dir/build.log" 2>&1 ||
    fail "build: $(tail -20 "$dir/build.log")"
[ -x "$dir/b/zt30-sim" ] || fail "no zt30-sim"
"$dir/b/zt30-headless" --version | grep -q '^zt30-headless ' || fail "zt30-headless does not run"
for target in zt30_tests zt30_bench; do
    "$cmake" --build "$dir/b" --target "$target" >/dev/null 2>&1 && fail "$target was built"
done
rm -rf "$dir"
echo "the programs build without GoogleTest and Google Benchmark"
