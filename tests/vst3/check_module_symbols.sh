#!/bin/sh
# Checks what a built module shows the system: exactly the entry points a
# host uses, and (Windows) imports from system DLLs only.
#   check_module_symbols.sh pe OBJDUMP MODULE
#   check_module_symbols.sh elf NM MODULE
set -u
kind=$1 tool=$2 module=$3
status=0
if [ "$kind" = pe ]; then
  dump=$("$tool" -p "$module") || exit 1
  imports=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
  for dll in $imports; do
    case $dll in
      kernel32.dll | user32.dll | ole32.dll | shell32.dll | msvcrt.dll | api-ms-win-crt-*.dll) ;;
      *) echo "imports a DLL that is not the system's: $dll"; status=1 ;;
    esac
  done
  exports=$(printf '%s\n' "$dump" | sed -n '/\[Name Pointer\/Ordinal\] Table/,$p' |
    sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\] \([A-Za-z_][A-Za-z0-9_]*\)$/\1/p' | sort | tr '\n' ' ')
  expected="DllMain GetPluginFactory "
else
  exports=$("$tool" -D --defined-only "$module" | awk '{print $3}' | sort | tr '\n' ' ')
  expected="GetPluginFactory ModuleEntry ModuleExit "
fi
if [ "$exports" != "$expected" ]; then
  echo "exports: '$exports', expected: '$expected'"
  status=1
fi
[ $status = 0 ] && echo "imports: $(echo ${imports:-none}); exports: $exports"
exit $status
