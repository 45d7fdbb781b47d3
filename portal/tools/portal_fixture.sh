#!/usr/bin/env bash
# Starts and stops the portal stand-in for integration tests (the CTest fixture
# "quorvi_portal", see portal/portal_fixture.cmake).
#
#   portal_fixture.sh start PROGRAM PORT DATA_DIR STATE_DIR
#   portal_fixture.sh stop STATE_DIR
#   portal_fixture.sh check STATE_DIR ORIGIN
#
# start copies DATA_DIR to STATE_DIR/data (tests may change the copy), starts
# PROGRAM on PORT with the request log STATE_DIR/requests.log and returns once
# it listens; its process id goes to STATE_DIR/pid. stop ends that process.
# check asks for the catalogue and finds the request in the log.
set -euo pipefail

# Whether the process runs; an ended one that its new parent has not reaped yet
# (a zombie) counts as ended.
running() {
  local state
  state=$(ps -o stat= -p "$1" 2>/dev/null || true)
  [[ -n $state && $state != Z* ]]
}

stop_recorded() {
  local state=$1 pid
  [[ -f $state/pid ]] || return 0
  pid=$(<"$state/pid")
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 50); do
    running "$pid" || break
    sleep 0.1
  done
  if running "$pid"; then kill -9 "$pid" 2>/dev/null || true; fi
  rm -f "$state/pid"
}

case ${1:-} in
start)
  program=$2 port=$3 data=$4 state=$5
  mkdir -p "$state"
  # A portal left behind by an interrupted run is ended first, by its recorded id.
  stop_recorded "$state"
  rm -rf "$state/data" "$state/requests.log"
  cp -r "$data" "$state/data"
  setsid "$program" --port "$port" --data "$state/data" --log "$state/requests.log" \
    </dev/null >"$state/portal.out" 2>&1 &
  echo $! >"$state/pid"
  # The portal says "serving" once its socket listens.
  for _ in $(seq 100); do
    if grep -q "serving" "$state/portal.out"; then
      echo "portal stand-in on port $port, pid $(<"$state/pid"), log $state/requests.log"
      exit 0
    fi
    if ! running "$(<"$state/pid")"; then
      echo "the portal stand-in did not start:" >&2
      cat "$state/portal.out" >&2
      rm -f "$state/pid"
      exit 1
    fi
    sleep 0.1
  done
  echo "the portal stand-in did not start listening on port $port" >&2
  stop_recorded "$state"
  exit 1
  ;;
stop)
  stop_recorded "$2"
  ;;
check)
  state=$2 origin=$3
  catalogue=$(curl -sf "$origin/app/appsn.php")
  grep -Eq 'iconMd5="[0-9a-f]{32}"' <<<"$catalogue"
  grep -q "\"path\":\"/app/appsn.php\",\"query\":\"\",\"status\":200" "$state/requests.log"
  echo "catalogue served and logged"
  ;;
*)
  echo "usage: $0 start PROGRAM PORT DATA_DIR STATE_DIR | stop STATE_DIR | check STATE_DIR ORIGIN" >&2
  exit 2
  ;;
esac
