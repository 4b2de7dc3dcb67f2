#!/usr/bin/env bash
# Builds the Debian package from a build folder (default build-test) with
# `cpack -G DEB`, unpacks it into a scratch root with `dpkg -x`, lists its
# files and checks that the desktop finds what it needs.
#   scripts/package.sh [BUILD_DIR]
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-test}"

# dpkg-shlibdeps (dpkg-dev) works out the libraries' packages; appstream
# and desktop-file-utils check the metainfo and the desktop entry.
bash "$root/scripts/deps.sh" dpkg-dev appstream desktop-file-utils

cmake --build "$build" -j2
(cd "$build" && cpack -G DEB)
deb="$(ls -t "$build"/tidemark_*.deb | head -n 1)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
dpkg-deb --info "$deb"
dpkg -x "$deb" "$scratch"
echo "== files of $(basename "$deb")"
(cd "$scratch" && find . -type f -o -type l | sort)

fail=0
need() {
    if [ ! -e "$scratch/$1" ]; then
        echo "package.sh: missing $1" >&2
        fail=1
    fi
}
need usr/bin/tidemark-cli
need usr/share/applications/quillon.Tidemark.desktop
need usr/share/metainfo/com.quillon.tidemark.metainfo.xml
need usr/share/icons/hicolor/scalable/apps/quillon.Tidemark.svg
need usr/share/icons/hicolor/symbolic/apps/quillon.Tidemark-symbolic.svg
need opt/Tidemark/Tidemark.app/Contents/Resources/PackageManaged
need opt/Tidemark/Tidemark.app/Contents/MacOS/Tidemark.app/Contents/MacOS/Tidemark
depends="$(dpkg-deb -f "$deb" Depends)"
echo "== Depends: $depends"
for lib in libqt6widgets6 libplist libglib2.0-0; do
    if ! grep -q "$lib" <<<"$depends"; then
        echo "package.sh: Depends does not name $lib" >&2
        fail=1
    fi
done
exec_path="$(sed -n 's/^Exec="\{0,1\}\([^"]*\)"\{0,1\}.*/\1/p' "$scratch/usr/share/applications/quillon.Tidemark.desktop")"
need "${exec_path#/}"
appstreamcli validate --no-net --pedantic "$scratch/usr/share/metainfo/com.quillon.tidemark.metainfo.xml"
desktop-file-validate "$scratch/usr/share/applications/quillon.Tidemark.desktop"
exit "$fail"
