#!/bin/sh
# Renders the two waiting animations and the Windows icon from the drawings in
# resources/art with the build's own renderer and writes them into resources/.
# Qt writes neither animated GIFs nor multi-size ICO files, so ImageMagick puts the
# frames together and the results are checked in; tst_resources compares them with
# the drawings. Run it after changing spinner.svg or app-icon.svg:
#
#   scripts/render-art.sh [build-dir]
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
art=$root/resources/art

cmake --build "$build" -j2 --target lensdesk-artrender
render=$build/tools/artrender/lensdesk-artrender
if command -v magick >/dev/null 2>&1; then im=magick; else im=convert; fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 24 frames, one turn of the spinner; 12/100 s a frame, which the window plays at 300 %.
# Each frame is opaque on the preview area's background of its theme, with the
# corners left transparent (GIF has no partial transparency).
frames=24
for theme in light:#eaeaea dark:#141415; do
    name=${theme%%:*}
    matte=${theme#*:}
    i=0
    while [ $i -lt $frames ]; do
        "$render" --svg "$art/spinner.svg" --size 64x64 --rotate $((i * 360 / frames)) \
            --matte "$matte" --out "$work/$name-$(printf %02d $i).png"
        i=$((i + 1))
    done
    $im -dispose Background -delay 12 -loop 0 "$work/$name"-*.png "$root/resources/qss/$name/loading.gif"
done

sizes="16 24 32 48 64 256"
pictures=""
for s in $sizes; do
    "$render" --svg "$art/app-icon.svg" --size ${s}x$s --out "$work/icon-$s.png"
    pictures="$pictures $work/icon-$s.png"
done
# shellcheck disable=SC2086 # one word per picture
$im $pictures "$root/resources/main.ico"

echo "wrote resources/qss/light/loading.gif resources/qss/dark/loading.gif resources/main.ico"
