#!/usr/bin/env bash
# Fails when an engine folder includes a header of Qt's Gui or Widgets
# modules: the engine is tested without a window and links Qt Core only.
#   check-engine-includes.sh QT_INCLUDE_ROOT SOURCE_ROOT
set -euo pipefail

qt="$1"
src="$2"
engine=(scan locations review update plist)

# Every public header name the two modules ship, as Name and Module/Name.
mapfile -t banned < <(for module in QtGui QtWidgets QtOpenGLWidgets QtPrintSupport; do
    [ -d "$qt/$module" ] || continue
    echo "$module"
    for header in "$qt/$module"/*; do
        name="${header##*/}"
        echo "$name"
        echo "$module/$name"
    done
done | sort -u)

declare -A isBanned
for name in "${banned[@]}"; do
    isBanned[$name]=1
done

found=0
for folder in "${engine[@]}"; do
    [ -d "$src/$folder" ] || continue
    # file:line:<header> for every angle-bracket include, then keep the banned ones.
    while IFS= read -r hit; do
        header="${hit##*<}"
        header="${header%%>*}"
        if [ -n "${isBanned[$header]:-}" ]; then
            echo "$hit"
            found=1
        fi
    done < <(grep -rnoE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<[^>]+>' \
        --include='*.h' --include='*.cpp' "$src/$folder" | grep -E '<Q' || true)
done
if [ "$found" -ne 0 ]; then
    echo "engine folders must not include Qt Gui or Widgets headers (see above)" >&2
    exit 1
fi
echo "engine folders include Qt Core and Network headers only"
