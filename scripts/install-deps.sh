#!/usr/bin/env bash
# Installs the Debian packages that a make target needs, only those missing: with apt-get as root, else
# through sudo; with neither, prints the line to run as root and fails. Without apt, checks for the
# tools and libraries instead and names what is missing.
# Usage: install-deps.sh GROUP...   GROUP: build (the programs and their manual pages), test, bench,
#        package (the Debian package and lintian), web (the browser page), web-test (its tests: also
#        Chromium, npm and the npm packages of tests/web/package-lock.json)
set -euo pipefail

usage() {
    echo "usage: $0 build|test|bench|package|web|web-test..." >&2
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
# "any" packages count as there when their command is, however it was installed (npm comes with
# Node.js from other sources too, and Debian's npm package would fight those).
web=(
    emscripten "cmd em++" "Emscripten (em++)"
)
web_test=(
    chromium "cmd chromium" "Chromium"
    npm "any npm" "npm"
)

[ $# -gt 0 ] || usage
wanted=()
npm_packages=
for group in "$@"; do
    case $group in
    build) wanted+=("${build[@]}") ;;
    test) wanted+=("${build[@]}" "${test[@]}") ;;
    bench) wanted+=("${build[@]}" "${bench[@]}") ;;
    package) wanted+=("${build[@]}" "${package[@]}") ;;
    web) wanted+=("${web[@]}") ;;
    web-test)
        wanted+=("${web[@]}" "${web_test[@]}")
        npm_packages=1
        ;;
    *) usage ;;
    esac
done

# The browser tests' npm packages, exactly as the lock file pins them, when they are not so already.
npm_install() {
    [ -n "$npm_packages" ] || return 0
    local dir want have
    dir=.
    [[ $0 == */* ]] && dir=${0%/*}
    dir=$(cd "$dir/../tests/web" && pwd)
    want=$(node -p "require('$dir/package-lock.json').packages['node_modules/playwright-core'].version")
    have=$(node -p "require('$dir/node_modules/playwright-core/package.json').version" 2>/dev/null || true)
    [ "$want" = "$have" ] && return 0
    echo "zt30: installing playwright-core $want in tests/web (npm ci)"
    (cd "$dir" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
}

if ! command -v dpkg-query >/dev/null || ! command -v apt-get >/dev/null; then
    missing=()
    for ((i = 0; i < ${#wanted[@]}; i += 3)); do
        read -r kind name <<<"${wanted[i + 1]}"
        case $kind in
        cmd | any) command -v "$name" >/dev/null && continue ;;
        pc) command -v pkg-config >/dev/null && pkg-config --exists "$name" && continue ;;
        esac
        item="${wanted[i + 2]} (Debian: ${wanted[i]})"
        [[ " ${missing[*]} " == *" $item "* ]] || missing+=("$item")
    done
    if [ ${#missing[@]} -eq 0 ]; then
        npm_install
        exit 0
    fi
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
    read -r kind name <<<"${wanted[i + 1]}"
    [ "$kind" = any ] && command -v "$name" >/dev/null && continue
    [ -n "${installed[$p]:-}" ] || [[ " ${missing[*]} " == *" $p "* ]] || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    npm_install
    exit 0
fi

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
npm_install
