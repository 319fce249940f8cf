#!/usr/bin/env bash
# The Debian package, built from the build tree as `make package` builds it, then unpacked into a scratch
# folder (dpkg-deb -x: nothing is installed on the machine): its name and fields, the files it holds, and
# its programs run from there.
# Usage: deb.sh CPACK BUILD_DIR SCRATCH_DIR
set -u
cpack=$1 build=$2 out=$3
for tool in dpkg-deb dpkg-shlibdeps file; do
    if ! command -v $tool >/dev/null; then
        echo "skipped: needs $tool (dpkg-deb, dpkg-shlibdeps and file: Debian packages dpkg-dev and file)"
        exit 77
    fi
done
failures=0
fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}
rm -rf "$out" && mkdir -p "$out" || exit 1
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 || {
    echo "FAIL cpack: $(cat "$out/cpack.log")"
    exit 1
}
debs=("$out"/zt30-sim_*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || {
    echo "FAIL no single package: ${debs[*]}"
    exit 1
}
deb=${debs[0]}
field() { dpkg-deb -f "$deb" "$1"; }
version=$(field Version)
[ "$(basename "$deb")" = "zt30-sim_${version}_$(dpkg --print-architecture).deb" ] || fail "named $(basename "$deb")"
for name in Maintainer Section Homepage; do
    [ -n "$(field $name)" ] || fail "no $name field"
done
[ "$(field Description | wc -l)" -gt 3 ] || fail "no long description"
depends=$(field Depends)
for library in libc6 libpng16-16 libsdl2-2.0-0 libstdc++6; do
    [[ $depends == *"$library ("* ]] || fail "Depends has no $library: $depends"
done

root="$out/unpacked"
dpkg-deb -x "$deb" "$root" || exit 1
for f in bin/zt30-sim bin/zt30-headless bin/zt30-soak share/applications/zt30-sim.desktop \
    share/icons/hicolor/48x48/apps/zt30-sim.png share/doc/zt30-sim/copyright share/doc/zt30-sim/changelog.gz \
    share/doc/zt30-sim/README.md share/doc/zt30-sim/FONT-LICENSE; do
    [ -f "$root/usr/$f" ] || fail "no /usr/$f"
done
for program in zt30-sim zt30-headless zt30-soak; do
    zcat "$root/usr/share/man/man1/$program.1.gz" 2>/dev/null |
        grep -q "^\.TH \"$program\" \"1\" .*\"zt30-sim $version\"" ||
        fail "no manual page of $program at version $version"
    [ -f "$root/usr/share/bash-completion/completions/$program" ] || fail "no completion for $program"
done
zcat "$root/usr/share/doc/zt30-sim/changelog.gz" | head -1 | grep -q "^zt30-sim ($version) " ||
    fail "the changelog is not at $version"
grep -qx "Exec=/usr/bin/zt30-sim" "$root/usr/share/applications/zt30-sim.desktop" || fail "desktop entry Exec"

# The programs from the unpacked tree: one version everywhere, a short script, a short soak.
bin=$root/usr/bin
[ "$("$bin/zt30-headless" --version)" = "zt30-headless $version" ] || fail "zt30-headless --version"
[ "$("$bin/zt30-soak" --version)" = "zt30-soak $version" ] || fail "zt30-soak --version"
[[ $("$bin/zt30-sim" --version) == "zt30-sim $version, instrument software "* ]] || fail "zt30-sim --version"
got=$(printf 'wait 1500ms\nexpect 115 150 0xFFFFFFFF\nprobe 0 0\n' | "$bin/zt30-headless" --local-time 10:10:30 2>&1)
[ $? = 0 ] && [[ $got =~ ^"0 0 0x"[0-9A-F]{8}$ ]] || fail "a script: $got"
got=$(cd "$out" && "$bin/zt30-soak" --seed 1 --duration 30s 2>&1)
[ $? = 0 ] && [[ $got == *" 0 allocations after start-up"* ]] || fail "a soak: $got"

[ "$failures" = 0 ] && echo "package $(basename "$deb"): all checks passed"
exit $((failures > 0))
