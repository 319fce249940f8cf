#!/usr/bin/env bash
# The instrument library needs no third-party library: a program linked with it alone asks for nothing
# but the C and C++ runtime, and runs.
# Usage: instrument_only.sh PROGRAM
set -u
program=$1
needed=$(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort | tr '\n' ' ')
for lib in $needed; do
    case $lib in
    libc.so.* | libm.so.* | libstdc++.so.* | libgcc_s.so.* | ld-linux*.so.* | libasan.so.* | libubsan.so.*) ;;
    *)
        echo "FAIL the instrument library pulls in $lib (all: $needed)"
        exit 1
        ;;
    esac
done
# The splash lasts 1.2 s: 1.5 s on, 150 ticks and the start-up frame later, CLOCK is shown.
out=$("$program") || { echo "FAIL it did not run"; exit 1; }
[ "$out" = "page 1 after 151 frames" ] || { echo "FAIL got '$out'"; exit 1; }
echo "linked with: $needed"
