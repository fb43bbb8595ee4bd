#!/usr/bin/env bash
# Type-checks every source of the Windows program with Debian's MinGW-w64 compiler
# (-fsyntax-only): Qt's and FFmpeg's Windows headers from their configured sources
# (scripts/win-toolchain.sh configure: a few minutes on a machine with nothing cached,
# nothing of Qt compiled), the forms' headers made by uic, the project's warnings as
# errors. A change that breaks the Windows build fails here.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cache="$("$root/scripts/win-toolchain.sh" configure | tail -n 1)"
qt_src="$(ls -d "$cache"/src/qtbase-opensource-src-*/ | head -n 1)"
ffmpeg_src="$(ls -d "$cache"/src/ffmpeg-*/ | head -n 1)"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

# The forms' headers: uic's output does not depend on the target system.
uic="$(command -v uic || echo /usr/lib/qt5/bin/uic)"
[ -x "$uic" ] || uic=/usr/lib/qt5/bin/uic
for form in $(cd "$root" && find src -name '*.ui'); do
    "$uic" "$root/$form" -o "$out/ui_$(basename "${form%.ui}").h"
done

# Everything lensdesk.exe is built from: the sources of src/ except the Linux backend.
mapfile -t sources < <(cd "$root" && find src -name '*.cpp' -not -path 'src/platform/linux/*' | sort)

flags=(-std=c++17 -fsyntax-only -Wall -Wextra -Wpedantic -Wno-unused-parameter -Werror
       -Wno-attributes
       -DQT_NO_CAST_FROM_BYTEARRAY
       -DQT_CORE_LIB -DQT_GUI_LIB -DQT_WIDGETS_LIB -DQT_NETWORK_LIB -DQT_NO_DEBUG
       -DLENSDESK_VERSION_MAJOR=1 -DLENSDESK_VERSION_MINOR=0 -DLENSDESK_VERSION_PATCH=4
       -I"$root/src" -I"$out"
       -isystem "$qt_src/include" -isystem "$qt_src/include/QtCore" -isystem "$qt_src/include/QtGui"
       -isystem "$qt_src/include/QtWidgets" -isystem "$qt_src/include/QtNetwork"
       -isystem "$qt_src/mkspecs/win32-g++"
       -isystem "$ffmpeg_src")

echo "Type-checking ${#sources[@]} sources for Windows"
printf '%s\n' "${sources[@]}" | (cd "$root" && xargs -P "${LENSDESK_WIN_JOBS:-2}" -n 4 \
    x86_64-w64-mingw32-g++ "${flags[@]}")
echo "Windows type-check passed"
