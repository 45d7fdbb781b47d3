#!/bin/sh
# Demo plugin "editor" of the portal stand-in. The client starts it with one
# argument, account'password'1. Each start adds a line to started.log beside
# this script: the time, the working folder, the number of arguments and each
# argument in brackets (so a split or a lost quote shows). With a display, a
# small window says which account started it.
here=$(dirname "$0")
{
    printf '%s cwd=%s argc=%d' "$(date -u +%Y-%m-%dT%H:%M:%SZ)" "$PWD" "$#"
    for argument in "$@"; do printf ' [%s]' "$argument"; done
    printf '\n'
} >>"$here/started.log"
account=${1%%"'"*}
if [ -n "$DISPLAY" ] && command -v xmessage >/dev/null 2>&1; then
    xmessage -center -timeout 5 "Editor (demo plugin) started for $account" >/dev/null 2>&1 &
fi
exit 0
