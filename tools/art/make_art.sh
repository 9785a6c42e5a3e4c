#!/bin/sh
# Remakes every picture under resources/art, the sounds and the sample photos of
# resources/program. Needs python3, g++, pkg-config, the Qt 6 Gui and Svg development files
# and the DejaVu fonts (fonts-dejavu-core). Reads contacts/layout.h for the drawn buttons.
# Add --preview FOLDER for composed pictures of the window to look at.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
g++ -std=c++20 -O2 -fPIC -o "$work/render" "$here/render.cpp" \
    $(pkg-config --cflags --libs Qt6Svg Qt6Gui)
QT_QPA_PLATFORM=offscreen python3 "$here/make_art.py" --renderer "$work/render" --work "$work" "$@"
