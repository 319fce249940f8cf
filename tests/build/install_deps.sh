#!/usr/bin/env bash
# scripts/install-deps.sh against stand-ins for id, dpkg-query, apt-get, sudo and pkg-config: which
# packages it installs and how, and the one message when it cannot.
# Usage: install_deps.sh PATH/TO/install-deps.sh SCRATCH_DIR
set -u
script=$1 dir=$2
rm -rf "$dir" && mkdir -p "$dir" && cd "$dir" || exit 1
bash=$(command -v bash)
failures=0

# Stand-ins, each set of them in its own directory so that a case can leave one out of PATH.
# FAKE_UID: the user id; FAKE_INSTALLED: the packages dpkg knows as installed; FAKE_PRESENT: the
# commands and pkg-config modules found where there is no apt. apt-get and sudo log how they were called.
stub() {
    mkdir -p "$1"
    printf '#!%s\n%s\n' "$bash" "$3" >"$1/$2"
    chmod +x "$1/$2"
}
stub base id 'echo "$FAKE_UID"'
stub base pkg-config '[ "$1" = --exists ] && [[ " $FAKE_PRESENT " == *" $2 "* ]]'
ln -s "$(command -v env)" base/env
stub apt dpkg-query 'for p in $FAKE_INSTALLED; do echo "$p install ok installed"; done
echo "cmake deinstall ok config-files"'
stub apt apt-get 'echo "$DEBIAN_FRONTEND apt-get $*" >>log'
stub sudo sudo 'echo -n "sudo " >>log; exec env "$@"'
for c in c++ cmake pkg-config scdoc Xvfb xdotool xwininfo import desktop-file-validate groff dpkg-shlibdeps file \
    lintian; do stub tools "$c" 'exit 0'; done
# npm from elsewhere than Debian, and node answering the lock file's and the installed version (FAKE_HAVE).
stub npm npm 'echo "npm $* in ${PWD##*/}" >>"$LOG"'
stub npm node 'if [[ $2 == *node_modules/playwright-core/package.json* ]]; then echo "$FAKE_HAVE"; else echo 1.56.1; fi'

BUILD="build-essential cmake pkg-config libsdl2-dev libpng-dev scdoc"
PACKAGE="dpkg-dev file lintian"
TEST="libgtest-dev xvfb xdotool x11-utils imagemagick libx11-dev desktop-file-utils groff-base bash-completion $PACKAGE"

# run NAME PATH-DIRS WANT_CODE WANT_OUTPUT WANT_LOG GROUP...: output is standard output and error together.
run() {
    local name=$1 dirs=$2 want_code=$3 want_out=$4 want_log=$5 out code log
    shift 5
    rm -f log
    out=$(PATH="$dirs" "$bash" "$script" "$@" 2>&1)
    code=$?
    log=$(cat log 2>/dev/null)
    [ "$code" = "$want_code" ] && [ "$out" = "$want_out" ] && [ "$log" = "$want_log" ] && return
    printf 'FAIL %s: exit %s (want %s)\n  output: %s\n  want:   %s\n  log:    %s\n  want:   %s\n' "$name" "$code" \
        "$want_code" "$out" "$want_out" "$log" "$want_log"
    failures=$((failures + 1))
}
apt=$PWD/base:$PWD/apt
install="apt-get install -y -qq --no-install-recommends"

# Nothing missing, nothing done, even without root or sudo; only the groups asked for count.
FAKE_UID=1000 FAKE_INSTALLED="$BUILD $TEST libbenchmark-dev" run all-there "$apt" 0 "" "" build test bench
FAKE_UID=1000 FAKE_INSTALLED="$BUILD" run build-only "$apt" 0 "" "" build
# As root: apt-get itself, for the missing ones only (a package with only its configuration left counts
# as missing), each once.
FAKE_UID=0 FAKE_INSTALLED="build-essential pkg-config libsdl2-dev libpng-dev scdoc libgtest-dev xdotool x11-utils \
    groff-base bash-completion file" \
    run root "$apt" 0 "zt30: installing cmake xvfb imagemagick libx11-dev desktop-file-utils dpkg-dev lintian" \
    "noninteractive apt-get update -qq
noninteractive $install cmake xvfb imagemagick libx11-dev desktop-file-utils dpkg-dev lintian" test build
# The package group: the build's packages and what the package and lintian need.
FAKE_UID=0 FAKE_INSTALLED="$BUILD file" run package "$apt" 0 "zt30: installing dpkg-dev lintian" \
    "noninteractive apt-get update -qq
noninteractive $install dpkg-dev lintian" package
# Not root: through sudo.
FAKE_UID=1000 FAKE_INSTALLED="$BUILD" run sudo "$apt:$PWD/sudo" 0 \
    "zt30: installing libbenchmark-dev (with sudo)" "sudo noninteractive apt-get update -qq
sudo noninteractive $install libbenchmark-dev" bench
# Neither root nor sudo: the line to run, and the target stops.
FAKE_UID=1000 FAKE_INSTALLED="$BUILD xvfb xdotool x11-utils imagemagick groff-base bash-completion $PACKAGE" \
    run no-sudo "$apt" 1 \
    "zt30: missing packages, and neither root nor sudo to install them; as root, run: apt-get update && apt-get install -y --no-install-recommends libgtest-dev libx11-dev desktop-file-utils" \
    "" test
# No apt: the tools and libraries are looked for instead, and what is missing is named.
FAKE_UID=0 FAKE_PRESENT="sdl2 libpng gtest x11 bash-completion benchmark" run no-apt "$PWD/base:$PWD/tools" 0 "" "" test bench
FAKE_UID=0 FAKE_PRESENT="libpng x11" run no-apt-missing "$PWD/base:$PWD/tools" 1 \
    "zt30: no apt-get here to install packages; install these yourself, then run make again: SDL2 development files (Debian: libsdl2-dev), GoogleTest (Debian: libgtest-dev), bash-completion (Debian: bash-completion)" \
    "" build test
# The browser page: Debian's emscripten; its tests: Chromium, npm unless some npm is there already, and the
# lock file's npm packages unless they are installed at that version.
FAKE_UID=0 FAKE_INSTALLED="" run web "$apt" 0 "zt30: installing emscripten" "noninteractive apt-get update -qq
noninteractive $install emscripten" web
export LOG=$PWD/log
FAKE_UID=0 FAKE_INSTALLED="emscripten" FAKE_HAVE=1.56.1 run web-test "$apt:$PWD/npm" 0 "zt30: installing chromium" \
    "noninteractive apt-get update -qq
noninteractive $install chromium" web-test
FAKE_UID=1000 FAKE_INSTALLED="emscripten chromium" FAKE_HAVE=1.40.0 run web-test-npm "$apt:$PWD/npm" 0 \
    "zt30: installing playwright-core 1.56.1 in tests/web (npm ci)" "npm ci --no-audit --no-fund --loglevel=error in web" \
    web-test
run bad-group "$apt" 2 "usage: $script build|test|bench|package|web|web-test..." "" build tests

[ "$failures" -eq 0 ] && echo "all dependency installer checks passed"
exit $((failures != 0))
