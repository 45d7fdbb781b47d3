# Helpers for the headless demos of ./run (sourced): waiting, window places,
# screenshots and clicks on controls by name. Needs DISPLAY, xdotool and
# python3-pil.
#
# A program started with QUORVI_SCREENSHOT_DIR=FOLDER saves, on SIGUSR2, every
# shown window as "<title>-<n>.png" with "<title>-<n>.controls.txt" beside it:
# one line per visible named control, "left top width height name" in screen
# coordinates. Set control_pid and control_maps (the program and that folder)
# before clicking controls.

# Waits until a command succeeds, at most $1 seconds.
wait_for() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.3
    done
}

# A visible window's top-left corner on the screen, by a title pattern: "X Y".
window_origin() {
    local id
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) || return 1
    [[ -n $id ]] || return 1
    xdotool getwindowgeometry --shell "$id" | awk -F= '/^X=/{x=$2} /^Y=/{y=$2} END{print x, y}'
}
window_shown() { window_origin "$1" >/dev/null; }
window_gone() { ! window_shown "$1"; }
# Ends the program of every visible window whose title matches $1.
close_windows() {
    local id
    for id in $(xdotool search --onlyvisible --name "$1" 2>/dev/null); do
        xdotool windowkill "$id" 2>/dev/null || true
    done
    wait_for 5 window_gone "$1"
}

# Saves the screen as $1, or only the W x H rectangle (default 950 x 553, the
# main window) at the origin "X Y" given as $2.
screenshot() {
    /usr/bin/python3 - "$DISPLAY" "$1" "${2:-}" "${3:-950}" "${4:-553}" <<'PY'
import sys
from PIL import ImageGrab
display, path, origin, w, h = sys.argv[1:6]
image = ImageGrab.grab(xdisplay=display)
if origin:
    x, y = map(int, origin.split())
    image = image.crop((x, y, min(x + int(w), image.width), min(y + int(h), image.height)))
image.save(path)
PY
    echo "run: saved $1"
}

# Asks the program for a fresh control map of its windows.
fresh_control_map() {
    rm -f "$control_maps"/*.controls.txt
    kill -USR2 "$control_pid" 2>/dev/null || return 1
    wait_for 10 compgen -G "$control_maps/*.controls.txt" >/dev/null
}

# Clicks the control named $1 where it is shown now, with mouse button $3
# (default 1): at its centre, or at the fraction $2 of its height (0 top,
# 1 bottom) in the middle of its width.
click_control() {
    local name=$1 fraction=${2:-0.5} button=${3:-1} at x y
    fresh_control_map || { echo "run: no control map was written" >&2; return 1; }
    # A name may hold spaces: it is the rest of the line after four numbers.
    at=$(awk -v name="$name" -v f="$fraction" '{
            n = $0; sub(/^[^ ]+ [^ ]+ [^ ]+ [^ ]+ /, "", n)
            if (n == name) { printf "%d %d\n", $1 + $3 / 2, $2 + $4 * f; exit }
        }' "$control_maps"/*.controls.txt)
    if [[ -z $at ]]; then
        echo "run: no control named $name is shown" >&2
        return 1
    fi
    read -r x y <<<"$at"
    xdotool mousemove "$x" "$y" click "$button"
}
