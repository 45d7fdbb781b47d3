#!/usr/bin/env bash
# Screenshots of the client's panels and of an application dialog, for the
# headless part of ./run. The client runs under Xvfb on $DISPLAY, its main window
# shows the home view at its place on the screen, and the portal stand-in logs
# its requests.
#
# Usage: run_popups_demo.sh SCREENSHOT_FOLDER REQUEST_LOG "X Y"
#   X Y: the main window's top-left corner on the screen.
#
# Clicks go to the controls' places in skin/quorvi/skin.xml (950 x 553 window):
# the side bar at 0,64 with its buttons 40 pixels apart, the settings panel at
# 330,56, the first navigation option at 140,440 and the first quick-bar option
# at 75,32 of its group.
set -u
shots=$1 log=$2
read -r wx wy <<<"$3"

# Saves the screen, or the main window only when CROP is set.
shot() {
    /usr/bin/python3 - "$DISPLAY" "$1" "${2:-}" <<'PY'
import sys
from PIL import ImageGrab
display, path, origin = sys.argv[1], sys.argv[2], sys.argv[3]
image = ImageGrab.grab(xdisplay=display)
if origin:
    x, y = map(int, origin.split())
    image = image.crop((x, y, min(x + 950, image.width), min(y + 553, image.height)))
image.save(path)
PY
    echo "run: saved $1"
}
click() {  # x y in the main window
    xdotool mousemove $((wx + $1)) $((wy + $2)) click 1
    sleep "${3:-0.8}"
}
origin="$wx $wy"

# News panel, then the history panel (each closes the other), closed again.
click 24 156
shot "$shots/news-panel.png" "$origin"
click 24 200
shot "$shots/history-panel.png" "$origin"
click 24 200

# Settings panel with a custom folder typed; cancelled afterwards.
click 24 244
click 430 269
click 480 303 0.3
xdotool key ctrl+a
xdotool type --delay 20 "/home/student/Downloads/courses"
sleep 0.8
shot "$shots/settings-panel.png" "$origin"
click 657 383

# The second background, hidden by a click on it.
click 24 332
shot "$shots/second-background.png" "$origin"
click 475 300

# The side bar collapsed to its handle, then expanded.
click 24 78
shot "$shots/side-bar-collapsed.png" "$origin"
click 12 102

# An application dialog: the first group's first web application, maximised,
# once the script plug-in has run in its page.
scripts_before=$(grep -c '"/appmgr/plugin/js.php"' "$log")
click 190 490 1.5
click 125 82 0.2
for _ in $(seq 1 100); do
    (($(grep -c '"/appmgr/plugin/js.php"' "$log") > scripts_before)) && break
    sleep 0.2
done
sleep 2
shot "$shots/application-dialog.png"

# Its column folded away by the strip's button (the dialog covers the screen:
# the strip lies left of the 120-pixel column, below the 32-pixel caption).
read -r screen_width _ < <(xdpyinfo | awk '/dimensions:/{split($2, size, "x"); print size[1], size[2]}')
xdotool mousemove $((screen_width - 128)) 56 click 1
sleep 0.8
shot "$shots/application-dialog-column-folded.png"
