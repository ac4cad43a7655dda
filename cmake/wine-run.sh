#!/bin/sh
# Runs a Windows program under Wine with the build tree's prefix. The prefix
# is found from the program's path: <build>/wineprefix.
prog=$1
shift
dir=$(cd "$(dirname "$prog")" && pwd)
while [ "$dir" != / ] && [ ! -f "$dir/CMakeCache.txt" ]; do dir=$(dirname "$dir"); done
export WINEPREFIX="${SKARROW_WINEPREFIX:-$dir/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
exec wine "$prog" "$@"
