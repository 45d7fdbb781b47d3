#!/usr/bin/env bash
# The login demo, run after the main window's screenshots on a virtual display:
# opens the login window from the user option, types the demo account with a
# wrong password into the real entries and presses the login button, then the
# right password; saves screenshots of the refused login (the server's
# message), of the signed-in main window and of the user menu; prints the
# login, shop and report requests of the portal's log.
#
# Usage: scripts/run_login_demo.sh PROGRAM_FOLDER SCREENSHOT_FOLDER REQUEST_LOG
# Needs DISPLAY (the client running on it), xdotool and python3-pil.
#
# Controls are found by name in the skin files the client loads, so the clicks
# follow the skin's layout.
#
# Sections: helpers | login window | refused | accepted | user menu | requests
set -euo pipefail
program=$1
shots=$2
log=$3
skin=$program/skin/quorvi

# ---- helpers ----------------------------------------------------------------------
wait_for() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.3
    done
}

# The centre of a named control of a skin file, in window coordinates: "X Y".
control_centre() {
    /usr/bin/python3 - "$1" "$2" <<'PY'
import sys
import xml.etree.ElementTree as ET

def find(elem, name, origin):
    for child in elem:
        x, y = origin
        pos = child.get("pos")
        if pos and child.get("float") == "true":
            left, top, right, bottom = map(int, pos.split(","))
            x, y = origin[0] + left, origin[1] + top
            if child.get("name") == name:
                print((2 * x + right - left) // 2, (2 * y + bottom - top) // 2)
                return True
        if find(child, name, (x, y)):
            return True
    return False

if not find(ET.parse(sys.argv[1]).getroot(), sys.argv[2], (0, 0)):
    sys.exit(f"no floating control {sys.argv[2]} in {sys.argv[1]}")
PY
}

# A visible window's top-left corner on the screen, by its title: "X Y".
window_origin() {
    local id
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) || return 1
    [[ -n $id ]] || return 1
    xdotool getwindowgeometry --shell "$id" | awk -F= '/^X=/{x=$2} /^Y=/{y=$2} END{print x, y}'
}
window_shown() { window_origin "$1" >/dev/null; }
window_gone() { ! window_shown "$1"; }

# Clicks (button $4, default 1) the centre of control $3 of skin $2 in the window titled $1.
click() {
    local wx wy cx cy
    read -r wx wy <<<"$(window_origin "$1")"
    read -r cx cy <<<"$(control_centre "$skin/$2" "$3")"
    xdotool mousemove $((wx + cx)) $((wy + cy)) click "${4:-1}"
}

# Saves the rectangle W x H at the window titled $1 (the whole screen when it is gone).
screenshot() {
    local origin
    origin=$(window_origin "$1" || true)
    /usr/bin/python3 - "$DISPLAY" "$2" "$origin" "$3" "$4" <<'PY'
import sys
from PIL import ImageGrab
display, path, origin, w, h = sys.argv[1:6]
image = ImageGrab.grab(xdisplay=display)
if origin:
    x, y = map(int, origin.split())
    image = image.crop((x, y, min(x + int(w), image.width), min(y + int(h), image.height)))
image.save(path)
PY
    echo "run: saved $2"
}

logins() { grep -c '"/user/servlet/login"' "$log" || true; }

# ---- login window -------------------------------------------------------------------
main_title='^Quorvi$'
login_title='^登录$'
click "$main_title" skin.xml optNavUser
wait_for 10 window_shown "$login_title" || { echo "run: the login window did not open" >&2; exit 1; }
echo "run: the login window opened"

# ---- refused ----------------------------------------------------------------------
before=$(logins)
click "$login_title" login.xml accountedit
xdotool type --delay 40 "demo"
click "$login_title" login.xml pwdedit
xdotool type --delay 40 "wrong"
click "$login_title" login.xml loginBtn
wait_for 15 test "$(logins)" -gt "$before" || { echo "run: no login request" >&2; exit 1; }
sleep 1
screenshot "$login_title" "$shots/login-refused.png" 360 340

# ---- accepted ---------------------------------------------------------------------
click "$login_title" login.xml pwdedit
xdotool key ctrl+a BackSpace
xdotool type --delay 40 "demo123"
click "$login_title" login.xml optRemPsw
click "$login_title" login.xml loginBtn
wait_for 15 window_gone "$login_title" || { echo "run: the login was not accepted" >&2; exit 1; }
sleep 1.5
screenshot "$main_title" "$shots/signed-in.png" 950 553

# ---- user menu --------------------------------------------------------------------
click "$main_title" skin.xml optNavUser 3
sleep 1.5
# The menu opens at the pointer and may reach below the main window.
screenshot "$main_title" "$shots/user-menu.png" 950 653
xdotool key Escape

# ---- requests ---------------------------------------------------------------------
echo "run: login, shop and report requests:"
grep -E '"/(user/servlet/login|shop/index.php|app/report.php)"' "$log" |
    sed -E 's/.*"path":"([^"]*)","query":"([^"]*)".*"status":([0-9]+).*/  \3 \1?\2/'
