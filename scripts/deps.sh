#!/usr/bin/env bash
# Installs the Debian packages (and the page tests' npm packages) that the
# build and the tests need, and nothing that is already there.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config git
  clang libclang-rt-dev
  libgtest-dev libbenchmark-dev valgrind
  lv2-dev liblilv-dev lilv-utils serdi sordi
  libsndfile1-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 xvfb xauth
  chromium
)
# Node.js may come with the machine from another packager, npm included;
# Debian's npm would fight it. Only a machine without them gets Debian's.
command -v node >/dev/null && command -v npm >/dev/null || packages+=(nodejs npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  line="apt-get install -y --no-install-recommends ${missing[*]}"
  if [ "$(id -u)" != 0 ]; then
    echo "Missing packages. As root, run:" >&2
    echo "  apt-get update && $line" >&2
    exit 1
  fi
  echo "+ apt-get update && $line"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The page tests drive Debian's Chromium through playwright-core; the browser
# download of the npm package is never used.
if [ -f tests/page/package.json ]; then
  if [ ! -d tests/page/node_modules ] || [ tests/page/package.json -nt tests/page/node_modules ]; then
    echo "+ npm ci (tests/page)"
    PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --prefix tests/page --no-audit --no-fund --loglevel=error
    touch tests/page/node_modules
  fi
fi
