#!/usr/bin/env bash
# Installs the Debian packages that a make target needs, only those missing: with apt-get as root, else
# through sudo; with neither, prints the line to run as root and fails. Without apt, checks for the
# tools and libraries instead and names what is missing.
# Usage: install-deps.sh GROUP...   GROUP: build (the programs and their manual pages), test, bench,
#        package (the Debian package and lintian)
set -euo pipefail

usage() {
    echo "usage: $0 build|test|bench|package..." >&2
    exit 2
}

# Per group: Debian package, then how to check for it elsewhere, then what it is.
build=(
    build-essential "cmd c++" "a C++20 compiler"
    cmake "cmd cmake" "CMake 3.20 or later"
    pkg-config "cmd pkg-config" "pkg-config"
    libsdl2-dev "pc sdl2" "SDL2 development files"
    libpng-dev "pc libpng" "libpng development files"
    scdoc "cmd scdoc" "scdoc"
)
package=(
    dpkg-dev "cmd dpkg-shlibdeps" "dpkg-shlibdeps"
    file "cmd file" "file"
    lintian "cmd lintian" "lintian"
)
test=(
    libgtest-dev "pc gtest" "GoogleTest"
    xvfb "cmd Xvfb" "Xvfb"
    xdotool "cmd xdotool" "xdotool"
    x11-utils "cmd xwininfo" "xwininfo and xprop"
    imagemagick "cmd import" "ImageMagick"
    libx11-dev "pc x11" "Xlib development files"
    desktop-file-utils "cmd desktop-file-validate" "desktop-file-validate"
    groff-base "cmd groff" "groff"
    bash-completion "pc bash-completion" "bash-completion"
    "${package[@]}"
)
bench=(
    libbenchmark-dev "pc benchmark" "Google Benchmark"
)

[ $# -gt 0 ] || usage
wanted=()
for group in "$@"; do
    case $group in
    build) wanted+=("${build[@]}") ;;
    test) wanted+=("${build[@]}" "${test[@]}") ;;
    bench) wanted+=("${build[@]}" "${bench[@]}") ;;
    package) wanted+=("${build[@]}" "${package[@]}") ;;
    *) usage ;;
    esac
done

if ! command -v dpkg-query >/dev/null || ! command -v apt-get >/dev/null; then
    missing=()
    for ((i = 0; i < ${#wanted[@]}; i += 3)); do
        read -r kind name <<<"${wanted[i + 1]}"
        case $kind in
        cmd) command -v "$name" >/dev/null && continue ;;
        pc) command -v pkg-config >/dev/null && pkg-config --exists "$name" && continue ;;
        esac
        item="${wanted[i + 2]} (Debian: ${wanted[i]})"
        [[ " ${missing[*]} " == *" $item "* ]] || missing+=("$item")
    done
    [ ${#missing[@]} -eq 0 ] && exit 0
    list=$(printf ', %s' "${missing[@]}")
    echo "zt30: no apt-get here to install packages; install these yourself, then run make again: ${list:2}" >&2
    exit 1
fi

declare -A installed=()
while read -r name _ _ state; do
    [ "$state" = installed ] && installed[$name]=1
done < <(dpkg-query -W -f='${Package} ${Status}\n' 2>/dev/null || true)
missing=()
for ((i = 0; i < ${#wanted[@]}; i += 3)); do
    p=${wanted[i]}
    [ -n "${installed[$p]:-}" ] || [[ " ${missing[*]} " == *" $p "* ]] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

install=(apt-get install -y -qq --no-install-recommends "${missing[@]}")
if [ "$(id -u)" = 0 ]; then
    as_root=env
elif command -v sudo >/dev/null; then
    as_root=sudo
else
    echo "zt30: missing packages, and neither root nor sudo to install them; as root, run:" \
        "apt-get update && apt-get install -y --no-install-recommends ${missing[*]}" >&2
    exit 1
fi
how=""
[ $as_root = sudo ] && how=" (with sudo)"
echo "zt30: installing ${missing[*]}$how"
$as_root DEBIAN_FRONTEND=noninteractive apt-get update -qq
$as_root DEBIAN_FRONTEND=noninteractive "${install[@]}"
