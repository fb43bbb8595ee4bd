#!/usr/bin/env bash
# Builds the installed Qt's core library (libQt5Core.so.5) again from Debian's source of
# the same version, with the thread sanitizer, and prints the folder that holds it. The
# thread-sanitizer run puts that folder first on LD_LIBRARY_PATH: Debian's own QtCore is
# not instrumented, so the mutexes and wait conditions inside it (queued signals, posted
# events, thread start and finish, the thread pool) would be invisible to the sanitizer,
# which then reports every hand-over between threads made through Qt as a race.
# Built once per Qt version, in a cache outside the repository (like the Windows
# toolchain's), so that a fresh clone on a machine that built it once does not build it
# again: LENSDESK_QT_TSAN_DIR, by default /work/cache (else ~/.cache when that cannot be
# made), in a folder named by the version. About 6 minutes on 2 cores.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/install-deps.sh" >&2

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
fi

version="$(dpkg-query -W -f='${Version}' libqt5core5a)"
base="${LENSDESK_QT_TSAN_DIR:-}"
if [ -z "$base" ]; then
    base=/work/cache
    mkdir -p "$base" 2>/dev/null || base="${XDG_CACHE_HOME:-$HOME/.cache}"
fi
dir="$base/lensdesk-qtcore-tsan-${version#*:}"
lib="$dir/lib"
if [ -e "$dir/built" ]; then
    echo "$lib"
    exit 0
fi

# What the core library is configured with in Debian (the same features, so that the
# other Qt libraries find every symbol they use), and what fetching the source needs.
packages=(dpkg-dev make libglib2.0-dev libpcre2-dev libdouble-conversion-dev libicu-dev
          zlib1g-dev libzstd-dev)
missing=()
for p in "${packages[@]}"; do
    [ "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)" = installed ] || missing+=("$p")
done
deb_src="$("$root/scripts/enable-deb-src.sh")"
if [ "${#missing[@]}" -gt 0 ] || [ "$deb_src" = updated ]; then
    "${as_root[@]}" apt-get update >&2
fi
if [ "${#missing[@]}" -gt 0 ]; then
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 install -y \
        --no-install-recommends "${missing[@]}" >&2
fi

rm -rf "$dir"
mkdir -p "$dir/src"
cd "$dir/src"
apt-get source --download-only "qtbase-opensource-src=$version" >&2
dpkg-source --no-check -x ./qtbase-opensource-src_*.dsc >&2
cd qtbase-opensource-src-*/

# Debian's paths (the library finds its plugins and translations where Debian's does)
# and its choices for what the core library uses; no Gui or Widgets.
multiarch="$(dpkg-architecture -qDEB_HOST_MULTIARCH)"
./configure -confirm-license -opensource -release -shared -sanitize thread \
    -prefix /usr -bindir /usr/lib/qt5/bin -libdir "/usr/lib/$multiarch" \
    -headerdir "/usr/include/$multiarch/qt5" -datadir /usr/share/qt5 \
    -archdatadir "/usr/lib/$multiarch/qt5" -plugindir "/usr/lib/$multiarch/qt5/plugins" \
    -importdir "/usr/lib/$multiarch/qt5/imports" -translationdir /usr/share/qt5/translations \
    -hostdatadir "/usr/lib/$multiarch/qt5" -sysconfdir /etc/xdg \
    -examplesdir "/usr/lib/$multiarch/qt5/examples" \
    -system-zlib -system-doubleconversion -system-pcre -glib -icu \
    -no-feature-relocatable -no-mimetype-database -nomake examples -nomake tests \
    -no-opengl -no-dbus -no-gui -no-widgets >&2
make sub-src-qmake_all >&2
make -C src -j"${LENSDESK_QT_TSAN_JOBS:-2}" sub-corelib >&2
mkdir -p "$lib"
cp -a lib/libQt5Core.so* "$lib/"
touch "$dir/built"
echo "$lib"
