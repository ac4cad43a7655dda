#!/bin/sh
# module_symbols.sh linux|windows MODULE TOOL: the module exports exactly
# lv2_descriptor (and lv2ui_descriptor on Windows, where the UI lives in the
# same file); a Windows module imports only system DLLs.
set -u
platform=$1 module=$2 tool=$3
fail() { echo "FAIL: $*"; exit 1; }

if [ "$platform" = linux ]; then
  exports=$("$tool" -D --defined-only "$module" | awk '{print $3}' | sort -u | tr '\n' ' ')
  [ "$exports" = "lv2_descriptor " ] || fail "exports: $exports"
  echo "exports: $exports"
  exit 0
fi

dump=$("$tool" -p "$module") || fail "objdump failed"
# Export names follow the "[Ordinal/Name Pointer] Table" line.
exports=$(printf '%s\n' "$dump" | awk '/\[Ordinal\/Name Pointer\] Table/ {on=1; next}
  on && /\[ *[0-9]+\]/ {print $NF; next} on {on=0}' | sort -u | tr '\n' ' ')
[ "$exports" = "lv2_descriptor lv2ui_descriptor " ] || fail "exports: $exports"
imports=$(printf '%s\n' "$dump" | awk '/DLL Name:/ {print tolower($3)}' | sort -u)
[ -n "$imports" ] || fail "no import table found"
for dll in $imports; do
  case "$dll" in
    kernel32.dll|user32.dll|ole32.dll|shell32.dll|advapi32.dll|msvcrt.dll) ;;
    *) fail "imports $dll" ;;
  esac
done
echo "exports: $exports"
echo "imports:" $imports
