#!/usr/bin/env bash
# The Windows cross toolchain for lensdesk, built from Debian's own sources with
# Debian's MinGW-w64 compiler: qtbase and FFmpeg at the versions of the Debian
# packages the Linux build uses (and the 7-Zip command-line tool, if it cross-builds).
#
#   scripts/win-toolchain.sh build      everything, installed into the cache (~35 min on 2 cores)
#   scripts/win-toolchain.sh configure  sources fetched and configured only (a few minutes):
#                                       enough headers to type-check the Windows sources
#   scripts/win-toolchain.sh dir        prints the cache folder
#
# The cache lives outside the repository in a folder named by the versions, by default
# /work/cache/lensdesk-win-qt<version>-ffmpeg<version>-c<configuration>; LENSDESK_WIN_CACHE overrides the
# whole path. Each stage leaves a stamp, so a second run only does what is missing.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
mode="${1:-build}"
jobs="${LENSDESK_WIN_JOBS:-2}"
host=x86_64-w64-mingw32

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)

# The versions come from the Linux build's own packages, so both builds use one Qt and one FFmpeg.
"$root/scripts/install-deps.sh"
qt_version="$(dpkg-query -W -f='${Version}' qtbase5-dev)"
ffmpeg_version="$(dpkg-query -W -f='${Version}' libavcodec-dev)"
sevenzip_version="$(dpkg-query -W -f='${Version}' 7zip)"
plain() { echo "${1#*:}"; }   # drops the epoch, which has no place in a folder name
# The configuration below has a number of its own: a cache made with other options is not reused.
config=2
cache="${LENSDESK_WIN_CACHE:-/work/cache/lensdesk-win-qt$(plain "$qt_version")-ffmpeg$(plain "$ffmpeg_version")-c$config}"

if [ "$mode" = dir ]; then
    echo "$cache"
    exit 0
fi

# What the cross build needs; large, so installed here rather than for every build.
packages=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
          mingw-w64-x86-64-dev dpkg-dev nasm make perl python3 xz-utils)
missing=()
for p in "${packages[@]}"; do
    [ "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)" = installed ] || missing+=("$p")
done

# apt-get source needs deb-src entries for the archive the machine already uses.
need_update=0
deb_src="$("$root/scripts/enable-deb-src.sh")"
if [ "$deb_src" = updated ]; then need_update=1; fi
if [ "${#missing[@]}" -gt 0 ] || [ "$need_update" = 1 ]; then
    "${as_root[@]}" apt-get update
fi
if [ "${#missing[@]}" -gt 0 ]; then
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 install -y --no-install-recommends "${missing[@]}"
fi

mkdir -p "$cache/src" "$cache/stamps"
stamp() { [ -e "$cache/stamps/$1" ]; }
done_stage() { touch "$cache/stamps/$1"; }

fetch() { # package version folder-glob
    local glob="$3"
    if ! stamp "fetch-$1"; then
        (cd "$cache/src" && rm -rf $glob && apt-get source --download-only "$1=$2" >/dev/null \
            && dpkg-source --no-check -x ./*"$1"_*.dsc >/dev/null)
        done_stage "fetch-$1"
    fi
    (cd "$cache/src" && ls -d $glob | head -n 1)
}

# ---- qtbase ----------------------------------------------------------------------------
qt_src="$cache/src/$(fetch qtbase-opensource-src "$qt_version" 'qtbase-opensource-src-*/')"
qt_prefix="$cache/qt"
if ! stamp qt-configure; then
    # Debian's tarball leaves out the Wintab headers, so tablet events are configured out
    # (the Windows platform plugin would need them). Everything lensdesk does not use stays
    # out; the network module serves the VISCA remote control.
    (cd "$qt_src" && ./configure -prefix "$qt_prefix" \
        -xplatform win32-g++ -device-option CROSS_COMPILE=$host- \
        -opensource -confirm-license -release -shared -nomake examples -nomake tests \
        -no-opengl -no-dbus -no-icu -no-direct2d -no-feature-tabletevent \
        -qt-zlib -qt-libpng -qt-libjpeg -qt-freetype -qt-pcre -qt-harfbuzz \
        -no-feature-sql -no-feature-testlib -no-feature-concurrent -no-feature-xml \
        -no-feature-printer)
    # The module headers (forwarding headers and module configuration), without compiling.
    (cd "$qt_src" && make -j"$jobs" qmake_all >/dev/null)
    done_stage qt-configure
fi

# ---- FFmpeg ----------------------------------------------------------------------------
ffmpeg_src="$cache/src/$(fetch ffmpeg "$ffmpeg_version" 'ffmpeg-*/')"
ffmpeg_prefix="$cache/ffmpeg"
if ! stamp ffmpeg-configure; then
    # Only what lensdesk opens: MJPEG from DirectShow (or from the simulated rig over TCP as
    # a multipart stream, whose pictures the rig encodes with the MJPEG encoder).
    (cd "$ffmpeg_src" && ./configure --prefix="$ffmpeg_prefix" \
        --target-os=mingw32 --arch=x86_64 --cross-prefix=$host- --pkg-config=false \
        --enable-shared --disable-static --disable-programs --disable-doc --disable-debug \
        --disable-everything --disable-autodetect --enable-w32threads \
        --enable-decoder=mjpeg --enable-encoder=mjpeg --enable-parser=mjpeg --enable-demuxer=mjpeg,mpjpeg \
        --enable-indev=dshow --enable-protocol=file --enable-protocol=tcp \
        --enable-swscale --disable-avfilter --disable-swresample --disable-postproc \
        >/dev/null)
    done_stage ffmpeg-configure
fi

if [ "$mode" = configure ]; then
    echo "$cache"
    exit 0
fi

if ! stamp qt-build; then
    (cd "$qt_src" && make -j"$jobs" && make install)
    done_stage qt-build
fi
if ! stamp ffmpeg-build; then
    (cd "$ffmpeg_src" && make -j"$jobs" && make install)
    done_stage ffmpeg-build
fi

# ---- the MinGW runtime the programs load ------------------------------------------------
mkdir -p "$cache/runtime"
for dll in libwinpthread-1.dll libstdc++-6.dll libgcc_s_seh-1.dll; do
    found="$($host-g++ -print-file-name="$dll")"
    [ -f "$found" ] || found="$(find /usr/lib/gcc/$host /usr/$host -name "$dll" -print -quit)"
    cp "$found" "$cache/runtime/"
done

# ---- 7-Zip's command-line tool: optional, the package can name it as a prerequisite ------
# Debian's tarball has no RAR code, so it is built without RAR as Debian builds it.
if ! stamp 7zip-build && ! stamp 7zip-failed; then
    sevenzip_src="$cache/src/$(fetch 7zip "$sevenzip_version" '7zip-*/')"
    if (cd "$sevenzip_src/CPP/7zip/Bundles/Alone2" && \
        make -j"$jobs" -f makefile.gcc IS_MINGW=1 MSYSTEM=MINGW64 IS_X64=1 DISABLE_RAR=1 \
            CC=$host-gcc CXX=$host-g++ RC=$host-windres >"$cache/7zip-build.log" 2>&1); then
        mkdir -p "$cache/7zip"
        # The standalone console tool (every format built in) under the name lensdesk runs.
        cp "$sevenzip_src/CPP/7zip/Bundles/Alone2/_o/7zz.exe" "$cache/7zip/7z.exe" || true
        [ -f "$cache/7zip/7z.exe" ] && done_stage 7zip-build || done_stage 7zip-failed
    else
        done_stage 7zip-failed
    fi
fi
done_stage complete
echo "$cache"
