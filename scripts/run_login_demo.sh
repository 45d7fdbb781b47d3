#!/usr/bin/env bash
# The login demo, run after the main window's screenshots on a virtual display:
# opens the login window from the user option, types the demo account with a
# wrong password into the real entries and presses the login button, then the
# right password; saves screenshots of the refused login (the server's
# message), of the signed-in main window and of the user menu; prints the
# login, shop and report requests of the portal's log.
#
# Usage: scripts/run_login_demo.sh CLIENT_PID CONTROL_MAPS SCREENSHOT_FOLDER REQUEST_LOG
#   CLIENT_PID, CONTROL_MAPS: the client, started with QUORVI_SCREENSHOT_DIR=CONTROL_MAPS;
#   its controls are clicked by name where its control map shows them.
# Needs DISPLAY (the client running on it), xdotool and python3-pil.
#
# Sections: login window | refused | accepted | user menu | requests
set -euo pipefail
control_pid=$1
control_maps=$2
shots=$3
log=$4
source "$(dirname "$0")/screen_helpers.sh"

logins() { grep -c '"/user/servlet/login"' "$log" || true; }

main_title='^Quorvi$'
login_title='^登录$'

# ---- login window -------------------------------------------------------------------
click_control optNavUser
wait_for 10 window_shown "$login_title" || { echo "run: the login window did not open" >&2; exit 1; }
echo "run: the login window opened"

# ---- refused ----------------------------------------------------------------------
before=$(logins)
click_control accountedit
xdotool type --delay 40 "demo"
click_control pwdedit
xdotool type --delay 40 "wrong"
click_control loginBtn
wait_for 15 test "$(logins)" -gt "$before" || { echo "run: no login request" >&2; exit 1; }
sleep 1
screenshot "$shots/login-refused.png" "$(window_origin "$login_title")" 360 340

# ---- accepted ---------------------------------------------------------------------
click_control pwdedit
xdotool key ctrl+a BackSpace
xdotool type --delay 40 "demo123"
click_control optRemPsw
click_control loginBtn
wait_for 15 window_gone "$login_title" || { echo "run: the login was not accepted" >&2; exit 1; }
sleep 1.5
screenshot "$shots/signed-in.png" "$(window_origin "$main_title")"

# ---- user menu --------------------------------------------------------------------
click_control optNavUser 0.5 3
sleep 1.5
# The menu opens at the pointer and may reach below the main window.
screenshot "$shots/user-menu.png" "$(window_origin "$main_title")" 950 653
xdotool key Escape

# ---- requests ---------------------------------------------------------------------
echo "run: login, shop and report requests:"
grep -E '"/(user/servlet/login|shop/index.php|app/report.php)"' "$log" |
    sed -E 's/.*"path":"([^"]*)","query":"([^"]*)".*"status":([0-9]+).*/  \3 \1?\2/'
