#!/usr/bin/env bash
# Tests the Windows installer under Wine: scripts/test-installer.sh [build folder]
# (default build-windows/; builds the installer first when it is missing or older than the
# program). In a Wine prefix, home folder and X server of its own: the portable .zip holds the
# staged folder; a silent install (/S) with its files, shortcuts and Apps & Features entry; the
# program started from its Start-menu shortcut shows its window; the machine address it reads
# on its window's thread is wmic's; while it runs, an install and an uninstall fail and change
# nothing; a reinstall keeps a saved login; a silent uninstall
# removes the program and keeps cfg\cfg.ini, and one with /REMOVECFG removes that as well.
# Prints one PASS or FAIL line per check and a closing count; exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
build=${1:-build-windows}

# A display of its own, so that no window appears on a developer's screen.
if [ -z "${ZQ_INSTALLER_TEST_XVFB:-}" ]; then
    command -v xvfb-run >/dev/null || {
        echo "test-installer: xvfb-run not found (Debian package xvfb)" >&2
        exit 1
    }
    ZQ_INSTALLER_TEST_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi

env=$build/packaging/installer.env
value() { sed -n "s/^$1='\(.*\)'\$/\1/p" "$env" 2>/dev/null; }
name=$(value ZQ_PRODUCT_NAME)
version=$(value ZQ_VERSION)
setup=$build/zq-$version-setup.exe
portable=$build/zq-$version-portable.zip
stage=$build/package/zq
if [ ! -f "$setup" ] || [ ! -f "$portable" ] || [ ! -d "$stage" ] || [ "$build/bin/zq.exe" -nt "$setup" ]; then
    scripts/build-installer.sh "$build" || exit 1
fi
setup=$(realpath "$setup")
stage=$(realpath "$stage")

wine=/usr/lib/wine/wine64
tmp=$(mktemp -d)
# Cleaned up with the prefix's own server, which ends only the processes of this prefix.
trap 'WINEPREFIX=$tmp/prefix wineserver -k 2>/dev/null; rm -rf "$tmp"' EXIT
mkdir -p "$tmp/home"
# Wine links the prefix's Desktop to $HOME: a home of its own keeps the shortcut here.
export XDG_CACHE_HOME=${XDG_CACHE_HOME:-$HOME/.cache}
export HOME=$tmp/home WINEPREFIX=$tmp/prefix WINEDEBUG=-all LANG=zh_CN.UTF-8
# No menu entries in the real home, no prompts for Mono or Gecko.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"

passed=0
failed=0
check() {
    local what=$1
    shift
    if "$@"; then
        echo "PASS: $what"
        passed=$((passed + 1))
    else
        echo "FAIL: $what"
        failed=$((failed + 1))
    fi
}
# Runs a Windows program and waits until every process of the prefix has ended: the
# uninstaller goes on in a copy of itself after the one started here has returned.
run() {
    "$wine" "$@" >>"$tmp/wine.log" 2>&1
    local status=$?
    wineserver -w
    return $status
}

started=$(date +%s)
"$wine" wineboot -i >>"$tmp/wine.log" 2>&1
wineserver -w
# The user's folders as Windows names them, then where they lie in the prefix.
mapfile -t folders < <("$wine" cmd.exe /c 'echo %LOCALAPPDATA%\Programs\zq& echo %APPDATA%\Microsoft\Windows\Start Menu\Programs& echo %USERPROFILE%\Desktop' 2>/dev/null |
    tr -d '\r' | while IFS= read -r folder; do "$wine" winepath.exe -u "$folder" 2>/dev/null | tr -d '\r'; done)
program_dir=${folders[0]:-}
windows_dir() { "$wine" winepath.exe -w "$program_dir" 2>/dev/null | tr -d '\r'; }
start_menu=${folders[1]:-}
desktop=${folders[2]:-}
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\zq'
if [ -z "$program_dir" ] || [ -z "$start_menu" ] || [ -z "$desktop" ]; then
    echo "test-installer: the Wine prefix did not come up:" >&2
    cat "$tmp/wine.log" >&2
    exit 1
fi

# The program's files as staged; cfg\cfg.ini is the user's once installed.
same_files() {
    local file
    while IFS= read -r -d '' file; do
        [ "$file" = ./cfg/cfg.ini ] && continue
        cmp -s "$stage/$file" "$program_dir/$file" || {
            echo "  differs or missing: $file"
            return 1
        }
    done < <(cd "$stage" && find . -type f -print0)
}
registered() {
    local entry
    entry=$("$wine" reg.exe query "$uninstall_key" 2>/dev/null | iconv -f GBK -t UTF-8 | tr -d '\r')
    grep -qE "DisplayName +REG_SZ +$name\$" <<<"$entry" && grep -qE "DisplayVersion +REG_SZ +$version\$" <<<"$entry" &&
        grep -qiE 'UninstallString +REG_SZ +"[A-Z]:\\.*\\AppData\\Local\\Programs\\zq\\uninstall\.exe"$' <<<"$entry"
}
unregistered() { ! "$wine" reg.exe query "$uninstall_key" >/dev/null 2>&1; }
program_gone() {
    [ ! -e "$program_dir/zq.exe" ] && [ ! -e "$program_dir/uninstall.exe" ] &&
        [ -z "$(find "$program_dir" -name '*.dll' 2>/dev/null)" ] && [ ! -e "$start_menu/$name.lnk" ] &&
        [ ! -e "$desktop/$name.lnk" ]
}
# The program's window, mapped, with the program's name in its caption.
window_shown() {
    local window
    window=$(timeout 60 xdotool search --sync --onlyvisible --name "$name" 2>/dev/null | head -n 1)
    if [ -z "$window" ]; then
        grep -a "Unhandled\|err:module" "$tmp/program.log" | sed 's/^/  /'
        return 1
    fi
    echo "  window: $(xdotool getwindowname "$window")"
    # For a person to look at; not a check.
    import -window root "$build/package/installer-test-window.png" 2>/dev/null || true
}

portable_same() {
    mkdir "$tmp/portable" && unzip -q "$portable" -d "$tmp/portable" && diff -r "$stage" "$tmp/portable/zq"
}
check "the portable archive holds the staged folder" portable_same

check "silent install exits 0" run "$setup" /S
check "every staged file installed under %LOCALAPPDATA%\\Programs\\zq" same_files
check "the shipped cfg\\cfg.ini installed" cmp -s "$stage/cfg/cfg.ini" "$program_dir/cfg/cfg.ini"
check "uninstaller installed" test -f "$program_dir/uninstall.exe"
check "Start-menu shortcut \"$name\"" test -f "$start_menu/$name.lnk"
check "desktop shortcut \"$name\"" test -f "$desktop/$name.lnk"
check "Apps & Features entry with name, version and uninstaller" registered

# The address the program reads on the window's thread, which Qt's windows platform has put
# in COM's single-threaded apartment, against Windows' own client of the same query (wmic:
# no filter, so the IP-enabled column is read too; the columns stand under their headings).
wmic_address() {
    "$wine" wmic.exe nicconfig get IPAddress,IPEnabled,MACAddress 2>/dev/null | iconv -f UTF-16 -t UTF-8 |
        tr -d '\r' | awk '
            function field(from, to) { value = substr($0, from, to - from); gsub(/^ +| +$/, "", value); return value }
            !heading && NF { ip = index($0, "IPAddress "); on = index($0, "IPEnabled "); mac = index($0, "MACAddress")
                             heading = ip == 1 && on > ip && mac > on; next }
            heading && field(on, mac) ~ /^(TRUE|-1)$/ && field(ip, on) ~ /"/ && field(mac, length($0) + 1) != "" {
                print field(mac, length($0) + 1); exit }'
}
program_address() { sed -n 's/.*zq\.desktop: machine address: "\([^"]*\)".*/\1/p' "$tmp/program.log" | head -n 1; }
same_address() {
    local expected actual
    expected=$(wmic_address)
    actual=$(program_address)
    echo "  program: \"$actual\", wmic: \"$expected\""
    [ -n "$expected" ] && [ "$actual" = "$expected" ]
}

# Started as a user would: through the Start-menu shortcut.
"$wine" start /unix "$start_menu/$name.lnk" >"$tmp/program.log" 2>&1
check "the program starts from its shortcut and shows its window" window_shown
wineserver -k
wineserver -w
# Started by itself, so that its log reaches this script (Wine hands QT_ variables to
# Windows programs under the name WINEQT_); it reads the address before it shows its window.
(WINEQT_LOGGING_RULES="zq.desktop.debug=true" WINEQT_FORCE_STDERR_LOGGING=1 \
    "$wine" "$program_dir/zq.exe" >"$tmp/program.log" 2>&1 &)
window_shown >/dev/null
check "the program's machine address is the first IP-enabled adapter's that wmic lists" same_address
# While it runs, neither the installer nor the uninstaller (run in place, so that it reports
# its own status) changes the folder.
catalogue=$program_dir/translations/qtbase_zh_CN.qm
echo "an older catalogue" >"$catalogue"
fails() { ! "$@"; }
check "install while the program runs fails" fails "$wine" "$setup" /S
check "... and writes no file" grep -q "an older catalogue" "$catalogue"
check "uninstall while the program runs fails" fails "$wine" "$program_dir/uninstall.exe" /S "_?=$(windows_dir)"
check "... and removes no file" test -f "$program_dir/Qt6Core.dll"
check "... and the program still runs" window_shown
wineserver -k
wineserver -w

# A saved login as the program writes it: code page 936, CRLF lines.
saved=$tmp/saved-cfg.ini
printf '[daili]\r\ncode=zq_softinfo\r\n[vip_user_info]\r\nlogin_user=测试用户\r\nlogin_pass=mima123\r\n' |
    iconv -f UTF-8 -t GBK >"$saved"
cp "$saved" "$program_dir/cfg/cfg.ini"
# As after an older version: a program file that differs, one that is missing.
echo "an older zq.exe" >"$program_dir/zq.exe"
rm "$program_dir/Qt6Core.dll"
check "reinstall exits 0" run "$setup" /S
check "reinstall keeps the saved login in cfg\\cfg.ini" cmp -s "$saved" "$program_dir/cfg/cfg.ini"
check "reinstall replaces the program's files" same_files

check "silent uninstall exits 0" run "$program_dir/uninstall.exe" /S
check "uninstall removes the program, its DLLs and shortcuts" program_gone
check "uninstall removes the Apps & Features entry" unregistered
check "uninstall keeps the user's cfg\\cfg.ini" cmp -s "$saved" "$program_dir/cfg/cfg.ini"

check "install over the kept cfg\\cfg.ini exits 0" run "$setup" /S
check "the kept login is still there" cmp -s "$saved" "$program_dir/cfg/cfg.ini"
check "silent uninstall with /REMOVECFG exits 0" run "$program_dir/uninstall.exe" /S /REMOVECFG
check "uninstall with /REMOVECFG leaves no program folder" test ! -e "$program_dir"

echo "test-installer: $passed passed, $failed failed ($(($(date +%s) - started)) s)"
[ "$failed" -eq 0 ]
