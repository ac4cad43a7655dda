#!/bin/sh
# turtle_check.sh DIR SERDI SORD_VALIDATE SCHEMAS: DIR/linux and DIR/windows
# hold the bundle's Turtle for each platform; every file parses, validates
# against the LV2 schemas in SCHEMAS, and the two platforms differ only in the
# module's file name and the Windows editor UI.
set -u
dir=$1 serdi=$2 validate=$3 schemas=$4
fail() { echo "FAIL: $*"; exit 1; }

for platform in linux windows; do
  for file in manifest.ttl skarrow.ttl; do
    path=$dir/$platform/$file
    base="file://$dir/$platform/"
    errors=$("$serdi" -i turtle -o ntriples "$path" "$base" 2>&1 >/dev/null) || fail "$path: $errors"
    [ -z "$errors" ] || fail "$path: $errors"
    triples=$("$serdi" -i turtle -o ntriples "$path" "$base" | wc -l)
    [ "$triples" -gt 0 ] || fail "$path: no triples"
    echo "$platform/$file: $triples triples"
  done
done

schema_files=$(find "$schemas" -name '*.ttl')
[ -n "$schema_files" ] || fail "no LV2 schemas under $schemas"
for platform in linux windows; do
  # shellcheck disable=SC2086
  report=$("$validate" $schema_files "$dir/$platform/manifest.ttl" "$dir/$platform/skarrow.ttl" 2>&1)
  printf '%s\n' "$report" | grep -q '^Found 0 errors' || fail "$platform: $report"
  echo "$platform: valid"
done

for file in manifest.ttl skarrow.ttl; do
  other=$(diff "$dir/linux/$file" "$dir/windows/$file" | grep '^[<>]' |
    grep -v -E '^[<>].*<quenvar-skarrow\.(so|dll)>' |
    grep -v -E '^[<>] *$|^>.*(ui:|/ui#|/skarrow/editor>)')
  [ -z "$other" ] || fail "$file differs beyond the module name: $other"
done
grep -q '<quenvar-skarrow.so>' "$dir/linux/manifest.ttl" || fail "linux manifest names no .so"
grep -q '<quenvar-skarrow.dll>' "$dir/windows/manifest.ttl" || fail "windows manifest names no .dll"
grep -q 'a ui:WindowsUI' "$dir/windows/manifest.ttl" || fail "windows manifest declares no UI"
grep -q 'ui#ui> <https://quenvar.com/plugins/skarrow/editor>' "$dir/windows/skarrow.ttl" || fail "windows plug-in names no UI"
grep -q 'ui:' "$dir/linux/manifest.ttl" "$dir/linux/skarrow.ttl" && fail "linux declares a UI"
echo "platforms differ only in the module file name and the Windows UI"
