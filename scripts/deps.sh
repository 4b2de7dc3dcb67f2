#!/usr/bin/env bash
# Installs the Debian packages that building Tidemark needs, plus any package
# names given as arguments, when they are missing. Does nothing when all are
# present, so it is cheap to call before every build.
set -euo pipefail

# xvfb, xauth, the xcb platform plugin and a font: the end-to-end suite runs
# the program in a real window on a private X server.
packages=(qt6-base-dev libplist-dev libglib2.0-dev zlib1g-dev cmake g++ pkg-config make zip librsvg2-bin
    libarchive-dev xvfb xauth qt6-qpa-plugins libxkbcommon-x11-0 fonts-dejavu-core "$@")

missing=()
for package in "${packages[@]}"; do
    status="$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)"
    if [ "$status" != "install ok installed" ]; then
        missing+=("$package")
    fi
done
if [ "${#missing[@]}" -eq 0 ]; then
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
else
    echo "deps.sh: missing packages (${missing[*]}) and no sudo to install them; run as root" >&2
    exit 1
fi

echo "deps.sh: installing ${missing[*]}" >&2
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update >&2
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}" >&2
