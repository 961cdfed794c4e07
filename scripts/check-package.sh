#!/usr/bin/env bash
# Proves the Debian package on this machine: builds it, installs it, starts the installed
# program under Xvfb, checks that its window appears, ends it with SIGTERM (exit code 0
# expected) and removes the package again.
#   scripts/check-package.sh [build folder, default build-pkg]
# It installs and removes a system package, so it needs root (or sudo) and is not part of
# ./test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-pkg}
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
say() { printf 'check-package: %s\n' "$*"; }
fail() { say "FAILED: $*"; exit 1; }

if dpkg-query -W -f='${Status}' zq 2>/dev/null | grep -q "install ok installed"; then
    fail "a zq package is already installed; remove it first (apt-get remove zq)"
fi

scripts/setup.sh
# dpkg-shlibdeps for the dependencies, rsvg-convert for the PNG icon, xwininfo for the
# window check, desktop-file-validate for the launcher.
tools=(dpkg-dev librsvg2-bin x11-utils desktop-file-utils)
missing=()
for p in "${tools[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    say "installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq >/dev/null
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The package needs only the program: no tests, no stand-in service.
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZQ_BUILD_TESTS=OFF \
    -DZQ_BUILD_DEVSERVICE=OFF -DZQ_BUILD_FUZZERS=OFF >/dev/null
cmake --build "$dir" -j2
rm -f "$dir"/zq_*.deb
(cd "$dir" && cpack -G DEB)
deb=$(ls "$dir"/zq_*.deb)
say "built $deb"
dpkg-deb --field "$deb"
dpkg-deb --contents "$deb"
depends=$(dpkg-deb --field "$deb" Depends)
for p in libqt6webenginewidgets6 libqt6webenginecore6-bin libqt6widgets6; do
    grep -q "$p" <<<"$depends" || fail "the package does not depend on $p"
done

installed=""
shot=""
remove_package() {
    if [ -n "$installed" ]; then
        say "removing the package"
        $sudo env DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -qq zq >/dev/null
        installed=""
    fi
}
trap remove_package EXIT

say "installing"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$(realpath "$deb")" >/dev/null
installed=yes

[ -x /usr/lib/zq/zq ] || fail "/usr/lib/zq/zq missing"
[ -f /usr/lib/zq/cfg/cfg.ini ] || fail "/usr/lib/zq/cfg/cfg.ini missing"
[ "$(readlink -f /usr/bin/zq)" = /usr/lib/zq/zq ] || fail "/usr/bin/zq does not lead to /usr/lib/zq/zq"
[ -f /usr/share/icons/hicolor/scalable/apps/zq.svg ] || fail "scalable icon missing"
[ -f /usr/share/icons/hicolor/256x256/apps/zq.png ] || fail "256 px icon missing"
desktop-file-validate /usr/share/applications/zq.desktop || fail "zq.desktop does not validate"
grep -qx 'Exec=/usr/bin/zq' /usr/share/applications/zq.desktop || fail "zq.desktop Exec is not /usr/bin/zq"

# Started by its command name from PATH, as a launcher would.
say "starting the installed program under Xvfb"
shot=$(mktemp --suffix=.png /tmp/zq-package-XXXXXX)
status=0
QTWEBENGINE_DISABLE_SANDBOX=1 SHOT="$shot" xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    set -u
    cd /
    # A runtime folder of its own: a zq the user has open would take the place of this start.
    XDG_RUNTIME_DIR=$(mktemp -d)
    export XDG_RUNTIME_DIR
    zq >/tmp/zq-package-run.log 2>&1 &
    pid=$!
    window=""
    for _ in $(seq 300); do
        kill -0 "$pid" 2>/dev/null || { echo "the program ended before its window appeared"; exit 3; }
        # Qt names the window class after the executable.
        window=$(xwininfo -root -tree 2>/dev/null | awk "/\\(\"zq\" \"zq\"\\)/ {print \$1}" |
            while read -r id; do
                xwininfo -id "$id" 2>/dev/null | grep -q "Map State: IsViewable" && { echo "$id"; break; }
            done)
        [ -n "$window" ] && break
        sleep 0.1
    done
    [ -n "$window" ] || { echo "no window appeared"; kill -KILL "$pid"; exit 4; }
    echo "window $window:"
    xwininfo -id "$window" | sed -n "s/^xwininfo: //p; /Width:/p; /Height:/p"
    echo "program folder: $(readlink "/proc/$pid/exe")"
    if command -v import >/dev/null; then
        sleep 2 # let the first frame paint; only the picture waits, not the check
        import -window root "$SHOT" && echo "screenshot: $SHOT"
    fi
    kill -TERM "$pid"
    wait "$pid"
    code=$?
    rm -rf "$XDG_RUNTIME_DIR"
    echo "exit code after SIGTERM: $code"
    exit "$code"
' || status=$?
sed 's/^/  zq: /' /tmp/zq-package-run.log || true
[ "$status" -eq 0 ] || fail "the installed program did not start and stop cleanly (status $status)"

remove_package
if [ -e /usr/bin/zq ] || [ -L /usr/bin/zq ] || [ -e /usr/lib/zq ]; then
    fail "files left behind after removal"
fi
say "OK: built, installed, started, stopped with exit code 0, removed"
