#!/usr/bin/env bash
# Starts or stops a private JACK server with the dummy backend for the MIDI tests:
#   jack_fixture.sh start NAME STATEDIR   (returns once the server answers)
#   jack_fixture.sh stop NAME STATEDIR
# Works without a sound card, without D-Bus and as root.
set -u
action=$1 name=$2 state=$3
pidfile="$state/jackd-$name.pid"
export JACK_DEFAULT_SERVER=$name
export JACK_NO_AUDIO_RESERVATION=1

stop_server() {
  [ -f "$pidfile" ] || return 0
  pid=$(cat "$pidfile")
  if kill -0 "$pid" 2>/dev/null; then
    kill -TERM "$pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null
  fi
  rm -f "$pidfile"
}

case "$action" in
  start)
    mkdir -p "$state"
    stop_server
    command -v jackd >/dev/null || { echo "jackd is not installed (Debian package jackd2)"; exit 1; }
    # Synchronous mode with a long client time-out: on a busy machine a client that is
    # late in a period holds the period up instead of losing that period's MIDI events.
    setsid jackd --no-realtime --sync --timeout 30000 -n "$name" -d dummy -r 48000 -p 1024 \
      >"$state/jackd-$name.log" 2>&1 &
    echo $! >"$pidfile"
    for _ in $(seq 100); do
      if jack_lsp >/dev/null 2>&1; then exit 0; fi
      kill -0 "$(cat "$pidfile")" 2>/dev/null || break
      sleep 0.1
    done
    echo "the JACK server $name did not start:"; cat "$state/jackd-$name.log"
    stop_server
    exit 1
    ;;
  stop)
    stop_server
    ;;
esac
