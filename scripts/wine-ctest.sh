#!/usr/bin/env bash
# Runs the Windows build's tests under Wine: one prefix inside the build tree,
# initialised before the first test, and one wineserver kept alive for the
# whole pass so each test process starts quickly. Expects a display
# (run it under xvfb-run -a).
set -uo pipefail
build=$(cd "$1" && pwd)
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# A prefix is ready once its system folder is populated; an interrupted
# set-up leaves one that cannot even load kernel32, so start it afresh.
if [ ! -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ]; then
  rm -rf "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1
  wineserver -w
fi
wineserver -p -f >/dev/null 2>&1 &
server=$!
# Wine's background services start with the first program of a session and
# inherit its output; start them here, so no test's output pipe stays open.
wine cmd.exe /c exit >/dev/null 2>&1 </dev/null

# Now and then Wine fails to start a test program at all (no output, not even
# the test runner's banner; seen with two processes of one program starting
# together). A failed test gets one more run; a real failure fails twice.
ctest --test-dir "$build" --output-on-failure --no-tests=ignore -j "$(nproc)" --repeat until-pass:2
status=$?

wineserver -k >/dev/null 2>&1
wait "$server" 2>/dev/null
exit $status
