#!/bin/sh
# wine-run.sh PREFIX PROGRAM [ARGUMENTS...]
# wine-run.sh PREFIX wineboot --init
# wine-run.sh PREFIX --stop
#
# Runs a 64-bit Windows program under wine64 in the wine prefix PREFIX (kept
# inside the build tree, so that builds never share or touch ~/.wine) and
# exits with the program's exit code. The win64 toolchain names this script as
# the emulator of every test program, with the build tree's prefix as PREFIX.
#
# The prefix itself is made by running "wineboot --init" through this script
# once (the setup fixture of the win64 tests), before any program runs in it.
set -eu

if [ "$#" -lt 2 ]; then
  echo "usage: $0 PREFIX PROGRAM [ARGUMENTS...] | PREFIX wineboot --init | PREFIX --stop" >&2
  exit 2
fi

WINEPREFIX=$1
shift
export WINEPREFIX
# Wine's own diagnostics would bury the test output.
export WINEDEBUG=-all
# No .NET or HTML engine: the prefix would otherwise offer to download them.
# No debugger either: one attached to a crashing program can end it with exit
# status 0, so that a crash would pass as success; without one, the program
# ends with its exception code (its low byte: 5 for an access violation).
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"

wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64

if [ "$1" = wineboot ]; then
  mkdir -p "$WINEPREFIX"
  # Start the server and wine's own session processes detached from this
  # command's output, and keep them a while after each program exits. Started
  # by a test program instead, they would hold its output open for seconds
  # after it ends, and the next program would start them all over again.
  # A server left by an earlier run of this build's programs would keep its
  # own session processes, so it is replaced.
  "$wineserver" -k </dev/null >/dev/null 2>&1 || true
  "$wineserver" -w </dev/null >/dev/null 2>&1 || true
  "$wineserver" -p30 </dev/null >/dev/null 2>&1
  log=$WINEPREFIX/wineboot.log
  status=0
  "$wine" "$@" </dev/null >"$log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    cat "$log" >&2
  fi
  exit "$status"
fi

# "--stop" ends the server and the session processes at the end of a test
# run, instead of letting them linger for a minute; no server is no error.
if [ "$1" = --stop ]; then
  "$wineserver" -k </dev/null >/dev/null 2>&1 || true
  exit 0
fi

if [ ! -d "$WINEPREFIX/drive_c" ]; then
  echo "$0: no wine prefix at $WINEPREFIX; run the wine_prefix test (ctest -R wine_prefix) first" >&2
  exit 2
fi

exec "$wine" "$@"
