#!/usr/bin/env bash
# Screenshots of the client's panels and of an application dialog, for the
# headless part of ./run. The client runs under Xvfb on $DISPLAY, its main window
# shows the home view, and the portal stand-in logs its requests.
#
# Usage: run_popups_demo.sh CLIENT_PID CONTROL_MAPS SCREENSHOT_FOLDER REQUEST_LOG
#   CLIENT_PID, CONTROL_MAPS: the client, started with QUORVI_SCREENSHOT_DIR=CONTROL_MAPS;
#   its controls are clicked by name where its control map shows them.
set -u
control_pid=$1
control_maps=$2
shots=$3
log=$4
source "$(dirname "$0")/screen_helpers.sh"

# Clicks a control and lets the window repaint ($2 seconds, default 0.8).
press() {
    click_control "$1" || return 1
    sleep "${2:-0.8}"
}
origin=$(window_origin '^Quorvi$') || { echo "run: the main window is not shown" >&2; exit 1; }
status=0

# News panel, then the history panel (each closes the other), closed again.
press btnShowNewsPanel && screenshot "$shots/news-panel.png" "$origin" &&
    press btnShowHistoryPanel && screenshot "$shots/history-panel.png" "$origin" &&
    press btnShowHistoryPanel || status=1

# Settings panel with a custom folder typed; cancelled afterwards.
press btnShowSettingPanel && press optSettingSaveCustom && press txtSettingSavePath 0.3 &&
    xdotool key ctrl+a && xdotool type --delay 20 "/home/student/Downloads/courses" && sleep 0.8 &&
    screenshot "$shots/settings-panel.png" "$origin" &&
    press btnSettingDialogCancel || status=1

# The second background, hidden by a click on it.
press optNoLinkTB && screenshot "$shots/second-background.png" "$origin" &&
    press laySecondBg || status=1

# The side bar collapsed to its handle, then expanded.
press btnHideSideBar && screenshot "$shots/side-bar-collapsed.png" "$origin" &&
    press btnExpandSideBar || status=1

# An application dialog: the first group's first web application, maximised,
# once the script plug-in has run in its page.
scripts_before=$(grep -c '"/appmgr/plugin/js.php"' "$log")
plugin_ran() { (($(grep -c '"/appmgr/plugin/js.php"' "$log") > scripts_before)); }
if press optNavStudy 1.5 && press optLink101 0.2 && wait_for 20 plugin_ran; then
    sleep 2
    screenshot "$shots/application-dialog.png"
    # Its column folded away by the strip's button.
    press btnCloseSlider && screenshot "$shots/application-dialog-column-folded.png" || status=1
else
    echo "run: the application dialog did not show its page" >&2
    status=1
fi
exit $status
