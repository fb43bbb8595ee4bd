#!/usr/bin/env bash
# Makes the README's screenshots: lensdesk on the built-in simulated rig under a virtual
# X server with a compositor (for the dimmed window behind a dialog), at 1920x1080.
# Writes docs/screenshots/{light,dark,dialog,german}.png. Needs xvfb, xdotool, xcompmgr
# and ImageMagick; missing ones are installed as scripts/install-deps.sh does.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${LENSDESK_BUILD_DIR:-$root/build-app}"
out="$root/docs/screenshots"

"$root/scripts/install-deps.sh"
missing=()
for package in xvfb xauth xdotool xcompmgr imagemagick; do
    [ "$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)" = installed ] || missing+=("$package")
done
if [ "${#missing[@]}" -gt 0 ]; then
    as_root=()
    [ "$(id -u)" -eq 0 ] || as_root=(sudo)
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake -S "$root" -B "$build" -G Ninja -DLENSDESK_BUILD_TESTS=OFF -DLENSDESK_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target lensdesk
mkdir -p "$out"

# One run of the program: $1 picture name, $2 theme index, $3 language index, $4 what to
# click before the picture ("", "support" or "reset").
shot() {
    local name="$1" style="$2" language="$3" action="$4"
    local work
    work="$(mktemp -d)"
    cp "$build/bin/lensdesk" "$build"/bin/*.qm "$work/" 2>/dev/null || cp "$build/bin/lensdesk" "$work/"
    printf '[product_model]\nmain=2\n[style]\nindex=%s\n[ChangeLanguage]\nLanguage=%s\n' "$style" "$language" \
        >"$work/product.ini"
    HOME="$work" xvfb-run -a -s '-screen 0 1920x1080x24' bash -c '
        set -e
        xcompmgr & sleep 0.5
        LENSDESK_BACKEND=sim "$0/lensdesk" >/dev/null 2>&1 & app=$!
        sleep 7
        window=$(xdotool search --name "Orvia Vista Cam" | head -1)
        eval "$(xdotool getwindowgeometry --shell "$window")"
        case "$1" in
            support|reset) xdotool mousemove $((X + 396)) $((Y + 80)) click 1; sleep 1 ;;
        esac
        if [ "$1" = reset ]; then
            xdotool mousemove $((X + 376)) $((Y + 428)) click 1; sleep 1.5
        else
            xdotool mousemove $((X + 1400)) $((Y + 780)); sleep 0.5
        fi
        import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$2"
        kill $app
    ' "$work" "$action" "$out/$name.png"
    rm -rf "$work"
    echo "$out/$name.png"
}

shot light 0 0 ""
shot dark 1 0 ""
shot dialog 1 0 reset
shot german 0 1 support
