#!/usr/bin/env bash
# Builds the Windows installer and the portable archive from the MinGW build:
#   scripts/build-installer.sh [build folder]           (default build-windows/)
# Stages <build>/package/zq/: zq.exe, the DLLs it and its Qt plugins load, the plugins,
# Qt's Chinese catalogue and the shipped cfg/cfg.ini; then writes <build>/zq-<version>-setup.exe
# (makensis, packaging/windows/zq.nsi) and <build>/zq-<version>-portable.zip of that folder.
# Name, version, Qt and tools come from the build's own configuration (installer.env).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-windows}
say() { echo "build-installer: $*"; }
fail() {
    echo "build-installer: $*" >&2
    exit 1
}

env=$build/packaging/installer.env
[ -f "$build/bin/zq.exe" ] || fail "no $build/bin/zq.exe: build the Windows target first (scripts/build-windows.sh)"
[ -f "$env" ] || fail "no $env: $build is not a Windows build of zq"
command -v makensis >/dev/null || fail "makensis not found (Debian package nsis)"
command -v zip >/dev/null || fail "zip not found (Debian package zip)"

value() {
    local found
    found=$(sed -n "s/^$1='\(.*\)'\$/\1/p" "$env")
    [ -n "$found" ] || fail "no $1 in $env"
    printf '%s' "$found"
}
name=$(value ZQ_PRODUCT_NAME)
version=$(value ZQ_VERSION)
version_quad=$(value ZQ_VERSION_QUAD)
qt=$(value ZQ_QT_PREFIX)
cxx=$(value ZQ_CXX_COMPILER)
objdump=$(value ZQ_OBJDUMP)
strip=$(value ZQ_STRIP)
[ -d "$qt/plugins" ] || fail "the build's Qt ($qt) is gone"

# Where the DLLs that are not Windows' own come from: the build, its Qt, the compiler's runtime.
search=("$build/bin" "$qt/bin")
for runtime in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
    found=$("$cxx" -print-file-name="$runtime")
    [ -f "$found" ] && search+=("$(cd "$(dirname "$found")" && pwd)")
done
# Windows' own DLLs, as Wine provides them: anything found neither here nor there is missing.
declare -A system_dlls=()
wine_dlls=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows
if [ -d "$wine_dlls" ]; then
    for dll in "$wine_dlls"/*.dll; do
        dll=${dll##*/}
        system_dlls[${dll,,}]=1
    done
fi

package=$build/package
stage=$package/zq
rm -rf "$package"
mkdir -p "$stage/cfg" "$stage/translations"

cp "$build/bin/zq.exe" "$stage/"
# The window's platform, its style, TLS for the HTTPS time source, and the .ico reader for
# the window's icon. Offscreen and minimal serve only the tests.
plugins=(platforms/qwindows.dll styles/qwindowsvistastyle.dll tls/qschannelbackend.dll imageformats/qico.dll)
for plugin in "${plugins[@]}"; do
    [ -f "$qt/plugins/$plugin" ] || fail "Qt plugin $plugin not in $qt/plugins"
    mkdir -p "$stage/$(dirname "$plugin")"
    cp "$qt/plugins/$plugin" "$stage/$plugin"
done

# Every DLL that the program or a plugin loads, and what those load in turn.
declare -A seen=()
queue=("$stage/zq.exe")
for plugin in "${plugins[@]}"; do queue+=("$stage/$plugin"); done
while [ ${#queue[@]} -gt 0 ]; do
    file=${queue[0]}
    queue=("${queue[@]:1}")
    while read -r dll; do
        key=${dll,,}
        [ -n "${seen[$key]:-}" ] && continue
        seen[$key]=1
        source=""
        for dir in "${search[@]}"; do
            if [ -f "$dir/$dll" ]; then
                source=$dir/$dll
                break
            fi
        done
        if [ -n "$source" ]; then
            cp "$source" "$stage/"
            queue+=("$stage/$dll")
        elif [ ${#system_dlls[@]} -gt 0 ] && [ -z "${system_dlls[$key]:-}" ] &&
            [[ $key != api-ms-win-* && $key != ext-ms-win-* ]]; then
            fail "$(basename "$file") needs $dll, which is neither Windows' own nor in ${search[*]}"
        fi
    done < <("$objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p')
done
"$strip" "$stage/zq.exe"

# Qt's own texts (buttons of message boxes, context menus) in Chinese: the MinGW build has no
# engine, so Qt's base catalogue is the whole of it.
catalogue=$build/bin/translations/qtbase_zh_CN.qm
[ -f "$catalogue" ] || catalogue=$(qtpaths6 --query QT_INSTALL_TRANSLATIONS 2>/dev/null || echo /usr/share/qt6/translations)/qtbase_zh_CN.qm
[ -f "$catalogue" ] || fail "Qt's Chinese catalogue qtbase_zh_CN.qm not found (Debian package qt6-translations-l10n)"
cp "$catalogue" "$stage/translations/"

# The shipped settings file, never the build tree's, which may hold a developer's login.
cp cfg/cfg.ini "$stage/cfg/cfg.ini"

# The installer's facts, and the uninstaller's list: what was staged, and folders only once they are empty.
facts=$package/facts.nsh
printf '!define ZQ_PRODUCT_NAME "%s"\n!define ZQ_VERSION "%s"\n!define ZQ_VERSION_QUAD "%s"\n' \
    "$name" "$version" "$version_quad" >"$facts"
files=$package/uninstall-files.nsh
# shellcheck disable=SC2016 # $INSTDIR is the installer's, not the shell's
{
    (cd "$stage" && find . -type f ! -path ./cfg/cfg.ini | sort) | sed 's|^\./||; s|/|\\|g; s|.*|    Delete "$INSTDIR\\&"|'
    (cd "$stage" && find . -mindepth 1 -type d ! -path ./cfg | sort -r) | sed 's|^\./||; s|/|\\|g; s|.*|    RMDir "$INSTDIR\\&"|'
} >"$files"

setup=$build/zq-$version-setup.exe
portable=$build/zq-$version-portable.zip
rm -f "$setup" "$portable"
makensis -V2 -INPUTCHARSET UTF8 \
    -DZQ_FACTS="$(realpath "$facts")" -DZQ_STAGE="$(realpath "$stage")" -DZQ_FILES="$(realpath "$files")" \
    -DZQ_ICON="$(realpath resources/zq.ico)" -DZQ_OUTFILE="$(realpath -m "$setup")" \
    packaging/windows/zq.nsi
(cd "$package" && zip -qrX "$(realpath -m "../$(basename "$portable")")" zq)
say "$setup ($(du -h "$setup" | cut -f1)), $portable ($(du -h "$portable" | cut -f1)), $(find "$stage" -type f | wc -l) files"
