#!/usr/bin/env bash
# Cross-builds lensdesk for 64-bit Windows and lays it out as a zip a user unpacks and
# runs: lensdesk.exe with its Qt, FFmpeg and MinGW runtime DLLs, the Qt plugins it loads,
# the translations, product.ini and (when it cross-built) 7-Zip's 7z.exe and 7z.dll.
# Builds the toolchain cache first when it is missing (scripts/win-toolchain.sh, long).
#   LENSDESK_WIN_BUILD_DIR   the Windows build (default build-win)
#   LENSDESK_WIN_HOST_BUILD  the build for this machine that renders the pictures (build-win-host)
# Prints the zip's path last.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cache="$("$root/scripts/win-toolchain.sh" build | tail -n 1)"
host_build="${LENSDESK_WIN_HOST_BUILD:-$root/build-win-host}"
build="${LENSDESK_WIN_BUILD_DIR:-$root/build-win}"
jobs="${LENSDESK_WIN_JOBS:-2}"
mingw=x86_64-w64-mingw32

cmake -S "$root" -B "$host_build" -G Ninja -DLENSDESK_BUILD_TESTS=OFF -DLENSDESK_BUILD_BENCH=OFF >/dev/null
cmake --build "$host_build" -j "$jobs" --target lensdesk-artrender

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLENSDESK_WERROR=ON \
    -DLENSDESK_BUILD_TESTS=OFF -DLENSDESK_BUILD_BENCH=OFF \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-toolchain.cmake" -DLENSDESK_WIN_CACHE="$cache" \
    -DLENSDESK_ARTRENDER="$host_build/tools/artrender/lensdesk-artrender" >/dev/null
cmake --build "$build" -j "$jobs"

version="$(sed -n 's/^project(lensdesk VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
name="lensdesk-$version-windows-x64"
dist="$build/dist/$name"
rm -rf "$build/dist"
mkdir -p "$dist/platforms" "$dist/styles" "$dist/imageformats"

cp "$build/bin/lensdesk.exe" "$build"/bin/*.qm "$build/bin/product.ini" "$dist/"
$mingw-strip "$dist/lensdesk.exe"
for lib in Qt5Core Qt5Gui Qt5Widgets Qt5Network; do
    cp "$cache/qt/bin/$lib.dll" "$dist/"
done
cp "$cache/qt/plugins/platforms/qwindows.dll" "$dist/platforms/"
cp "$cache/qt/plugins/styles/qwindowsvistastyle.dll" "$dist/styles/"
# The loading animation is a GIF; the window icon and pictures may be ICO or JPEG.
for plugin in qgif qico qjpeg; do
    cp "$cache/qt/plugins/imageformats/$plugin.dll" "$dist/imageformats/"
done
cp "$cache"/ffmpeg/bin/*.dll "$dist/"
cp "$cache"/runtime/*.dll "$dist/"
# Debian ships the compiler's runtime DLLs with their symbols.
for dll in "$cache"/runtime/*.dll; do
    $mingw-strip --strip-unneeded "$dist/$(basename "$dll")"
done
# 7-Zip's standalone console tool, when it cross-built (otherwise the README names it).
if [ -f "$cache/7zip/7z.exe" ]; then
    cp "$cache/7zip/7z.exe" "$dist/"
fi

(cd "$build/dist" && rm -f "$name.zip" && 7zz a -tzip -bd "$name.zip" "$name" >/dev/null)
echo "$build/dist/$name.zip"
