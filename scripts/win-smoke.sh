#!/usr/bin/env bash
# Smoke run of the Windows build under Wine and a virtual X server:
#  1. on the simulated rig (LENSDESK_BACKEND=sim) lensdesk.exe starts, lists and opens
#     the rig camera and shows the live preview (two screenshots a second apart differ
#     inside the preview), and closes with Alt+F4 without a crash;
#  2. with the Windows backend (the default there) it enumerates no camera under Wine,
#     shows the window and closes the same way.
# Usage: scripts/win-smoke.sh [lensdesk-<version>-windows-x64.zip]  (built when not given)
# LENSDESK_WIN_SCREENSHOT names a file that receives the first screenshot.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
zip="${1:-}"
[ -n "$zip" ] || zip="$("$root/scripts/win-build.sh" | tail -n 1)"
zip="$(readlink -f "$zip")"

# Wine is large (about 670 MB): installed here only.
missing=()
for package in wine64 xvfb xauth xdotool imagemagick 7zip; do
    [ "$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)" = installed ] || missing+=("$package")
done
if [ "${#missing[@]}" -gt 0 ]; then
    as_root=()
    [ "$(id -u)" -eq 0 ] || as_root=(sudo)
    "${as_root[@]}" apt-get update
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 install -y \
        --no-install-recommends "${missing[@]}"
fi
wine=wine64
command -v "$wine" >/dev/null || wine=/usr/lib/wine/wine64

work="$(mktemp -d)"
# LENSDESK_WIN_SMOKE_KEEP=1 keeps the unpacked program, the Wine prefix and the screenshots.
[ "${LENSDESK_WIN_SMOKE_KEEP:-0}" = 1 ] && echo "Wine smoke run in $work" || trap 'rm -rf "$work"' EXIT
(cd "$work" && 7zz x -bd "$zip" >/dev/null)
app="$(ls -d "$work"/lensdesk-*-windows-x64)"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

# One run: $1 backend, $2 screenshot prefix. Leaves the window's log and screenshots in $work.
run() {
    local backend="$1" shots="$2"
    [ -d "$WINEPREFIX/drive_c/users" ] && find "$WINEPREFIX/drive_c/users" -maxdepth 2 -name .lensdesk -exec rm -rf {} +
    xvfb-run -a -s '-screen 0 1920x1080x24' bash -c '
        set -u
        wine="$1"; app="$2"; backend="$3"; shots="$4"
        "$wine" wineboot -i >/dev/null 2>&1 || true
        LENSDESK_BACKEND="$backend" "$wine" "$app/lensdesk.exe" >"$shots.out" 2>&1 & pid=$!
        window=""
        for _ in $(seq 1 90); do
            window="$(xdotool search --name "Orvia Vista Cam" 2>/dev/null | head -n 1)" && [ -n "$window" ] && break
            sleep 1
        done
        if [ -z "$window" ]; then echo "no window" >"$shots.result"; kill $pid; exit 1; fi
        sleep 8
        eval "$(xdotool getwindowgeometry --shell "$window")"
        # The pointer off the preview, whose stop button shows under it.
        xdotool mousemove $((X + WIDTH - 40)) $((Y + HEIGHT - 40)); sleep 0.5
        import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shots-1.png"
        sleep 1
        import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shots-2.png"
        echo "$WIDTH $HEIGHT" >"$shots.geometry"
        xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus "$window" || true
        xdotool key --window "$window" alt+F4
        for _ in $(seq 1 30); do kill -0 $pid 2>/dev/null || break; sleep 1; done
        if kill -0 $pid 2>/dev/null; then echo "still running" >"$shots.result"; kill $pid; exit 1; fi
        wait $pid; echo "exit $?" >"$shots.result"
    ' _ "$wine" "$app" "$backend" "$work/$shots"
}

fail() { echo "Wine smoke run: $*" >&2; exit 1; }
log() { find "$WINEPREFIX/drive_c/users" -name lensdesk.log -path '*.lensdesk*' -print -quit; }

# 1. The simulated rig.
run sim rig || true
[ -f "$work/rig.result" ] || fail "the rig run did not finish"
[ "$(cat "$work/rig.result")" = "exit 0" ] || fail "the rig run: $(cat "$work/rig.result")"
rig_log="$(log)"
[ -n "$rig_log" ] || fail "no log written"
grep -q 'current open camera name:' "$rig_log" || fail "the rig camera was not opened"
grep -q 'VideoStreamThread::m_CameraName:' "$rig_log" || fail "no preview started"
if grep -q "Couldn't open input stream" "$rig_log"; then fail "the preview did not open its input"; fi
# The moving test pattern: the preview (right of the camera list) changes within a second.
difference="$(compare -metric AE -fuzz 2% -crop 900x500+600+250 "$work/rig-1.png" "$work/rig-2.png" null: 2>&1 || true)"
[ "${difference%% *}" -gt 1000 ] 2>/dev/null || fail "the preview did not change between two screenshots ($difference)"
echo "Wine smoke run, simulated rig: window shown, camera opened, frames arriving ($difference pixels changed), closed"
[ -z "${LENSDESK_WIN_SCREENSHOT:-}" ] || cp "$work/rig-1.png" "$LENSDESK_WIN_SCREENSHOT"

# 2. The Windows backend: Wine has no camera.
run windows native || true
[ -f "$work/native.result" ] || fail "the Windows backend run did not finish"
[ "$(cat "$work/native.result")" = "exit 0" ] || fail "the Windows backend run: $(cat "$work/native.result")"
native_log="$(log)"
if [ -n "$native_log" ] && grep -q 'current open camera name:' "$native_log"; then
    fail "the Windows backend opened a camera under Wine"
fi
echo "Wine smoke run, Windows backend: no camera, window shown, closed"
