#!/usr/bin/env bash
# Builds the .deb from a built tree, checks it with lintian (no errors), installs it into a
# scratch root and runs the installed vimoctl from there. Usage: check-deb.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
expected_version=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/vimo-deb-XXXXXX")
trap 'rm -rf "$work"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; exit 1; }
deb=$(echo "$work"/out/*.deb)
[ -f "$deb" ] || { echo "cpack made no .deb"; cat "$work/cpack.log"; exit 1; }

# The engine is loaded at run time, so its package must be named by hand; the linked
# libraries come from dpkg-shlibdeps.
depends=$(dpkg-deb --field "$deb" Depends)
for needed in p7zip-full libcurl4 libxml2 libqt6widgets6; do
    case "$depends" in
        *"$needed"*) ;;
        *) echo "Depends lacks $needed: $depends"; exit 1 ;;
    esac
done

status=0
lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || status=$?
grep -v "running with root privileges" "$work/lintian.log" || true
[ "$status" -eq 0 ] || { echo "lintian finds errors in the package"; exit 1; }

# A scratch root of its own: dpkg's database and nothing else, so dependencies are not there.
root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
dpkg --root="$root" --force-depends --force-script-chrootless --log=/dev/null \
    --no-triggers -i "$deb" >"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; exit 1; }

version=$("$root/usr/bin/vimoctl" --version)
[ "$version" = "vimoctl $expected_version" ] || { echo "vimoctl --version says: $version"; exit 1; }
for file in usr/share/man/man1/vimoctl.1.gz usr/share/man/man1/vimo-devtool.1.gz \
    usr/share/bash-completion/completions/vimoctl \
    usr/share/metainfo/com.orvo.VimoDevTool.metainfo.xml \
    usr/share/applications/vimo-devtool.desktop usr/bin/vimo-devtool; do
    [ -e "$root/$file" ] || { echo "the package lacks /$file"; exit 1; }
done
appstreamcli validate --no-net "$root/usr/share/metainfo/com.orvo.VimoDevTool.metainfo.xml"
echo "ok: $(basename "$deb")"
