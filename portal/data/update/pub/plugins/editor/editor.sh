#!/bin/sh
# Demo plugin "editor" of the portal stand-in. The client starts it with one
# argument, account'password'1. It records each start (time and argument) in
# started.log beside itself, then shows a short note when a display is there.
here=$(dirname "$0")
printf '%s %s\n' "$(date -u +%Y-%m-%dT%H:%M:%SZ)" "$1" >>"$here/started.log"
account=${1%%"'"*}
if [ -n "$DISPLAY" ] && command -v xmessage >/dev/null 2>&1; then
    xmessage -center -timeout 5 "Editor (demo plugin) started for $account" >/dev/null 2>&1 &
fi
exit 0
