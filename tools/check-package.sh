#!/usr/bin/env bash
# The Debian package as a user would get it: what it holds, whether apt could install it here,
# what lintian thinks of it (errors fail, warnings are shown), and whether its programs start
# from a scratch copy of its files with the system's own Qt. Nothing is installed: apt only
# simulates, and the programs run with a scratch home. Each fault is reported on a line of its
# own.
set -uo pipefail
cd "$(dirname "$0")/.."
id=$(sed -n 's/^#define VELK_APP_ID "\(.*\)"/\1/p' build/app/Version.h)
version=$(sed -n 's/^#define VELK_FILE_VERSION "\(.*\)"/\1/p' build/app/Version.h)
debs=(build/package/velk-checkers_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    echo "check-package: expected one package in build/package, found: ${debs[*]}"
    exit 1
fi
deb=${debs[0]}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
faults=0
fault() { echo "check-package: FAULT: $*"; faults=$((faults + 1)); }

[ "$(dpkg-deb -f "$deb" Package)" = velk-checkers ] || fault "the package is not named velk-checkers"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fault "the package's version is not $version"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fault "the package is not for $(dpkg --print-architecture)"
# Without these the dependencies were not worked out from the programs.
depends=$(dpkg-deb -f "$deb" Depends)
tr ',' '\n' <<<"$depends" | awk '{print $1}' >"$work/depends"
for library in libc6 libstdc++6 libqt6core6 libqt6widgets6 libqt6multimedia6 libqt6svg6 libjpeg62-turbo; do
    grep -qxF "$library" "$work/depends" || fault "the package does not depend on $library: $depends"
done

dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/contents"
for file in /usr/bin/velk-checkers /usr/bin/velk-checkers-engine \
            /usr/share/applications/$id.desktop /usr/share/metainfo/$id.metainfo.xml \
            /usr/share/mime/packages/$id.xml /usr/share/icons/hicolor/scalable/apps/$id.svg \
            /usr/share/icons/hicolor/48x48/apps/$id.png \
            /usr/share/man/man6/velk-checkers.6.gz /usr/share/man/man6/velk-checkers-engine.6.gz \
            /usr/share/doc/velk-checkers/copyright /usr/share/doc/velk-checkers/changelog.gz; do
    grep -qx "$file" "$work/contents" || fault "the package lacks $file"
done
# Only the install tree: nothing from the build (tests, benchmarks, tools) or outside /usr.
grep -v '^/usr/' "$work/contents" | grep -vx '/' && fault "the package holds files outside /usr"
grep -E '^/usr/bin/.' "$work/contents" | grep -vxE '/usr/bin/velk-checkers(-engine)?' && fault "the package holds other programs"

# Installable here: every dependency can be met from the archives apt knows, or is installed.
if ! apt-get install --simulate --no-install-recommends "$(realpath "$deb")" >"$work/apt.log" 2>&1 \
   || ! grep -q '^Inst velk-checkers ' "$work/apt.log"; then
    fault "apt could not install the package:"
    cat "$work/apt.log"
fi

lintian --fail-on error --display-level '>=warning' "$deb" >"$work/lintian.log" 2>&1
status=$?
if [ -s "$work/lintian.log" ]; then
    echo "check-package: lintian says:"
    sed 's/^/  /' "$work/lintian.log"
fi
[ $status -eq 0 ] || fault "lintian found errors (E:) in the package"

# The programs from the package's own files, finding Qt and its plugins where the system keeps them.
root="$work/root"
dpkg-deb -x "$deb" "$root"
engine="$root/usr/bin/velk-checkers-engine"
[ "$("$engine" --version 2>&1)" = "velk-checkers-engine $version" ] || fault "the engine tool's version: $("$engine" --version 2>&1)"
moves=$("$engine" moves 2>&1)
[ "$(wc -l <<<"$moves")" -eq 7 ] && grep -qx '09-13' <<<"$moves" || fault "the engine tool's opening moves: $moves"
# The game under the offscreen platform, with a scratch home so that it writes nothing of ours:
# still running after a few seconds means it found its libraries and plugins and opened its window.
mkdir -p "$work/home" "$work/runtime" && chmod 700 "$work/runtime"
HOME="$work/home" XDG_CONFIG_HOME= XDG_DATA_HOME= XDG_CACHE_HOME= XDG_RUNTIME_DIR="$work/runtime" \
    QT_QPA_PLATFORM=offscreen timeout --foreground 4 "$root/usr/bin/velk-checkers" >"$work/game.log" 2>&1
status=$?
if [ $status -ne 124 ]; then
    fault "the game from the package ended with status $status before it was closed:"
    cat "$work/game.log"
fi

if [ $faults -ne 0 ]; then
    echo "check-package: $faults fault(s) in $deb"
    exit 1
fi
echo "check-package: $deb is sound"
