#!/usr/bin/env bash
# lintian on the package the package test built: no error and no warning.
# Usage: lintian.sh SCRATCH_DIR_OF_THE_PACKAGE_TEST
set -u
if ! command -v lintian >/dev/null; then
    echo "skipped: needs lintian"
    exit 77
fi
debs=("$1"/zt30-sim_*.deb)
if [ ! -f "${debs[0]}" ]; then
    echo "skipped: no package was built (see package.deb)"
    exit 77
fi
lintian --fail-on error,warning "${debs[@]}"
