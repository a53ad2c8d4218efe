#!/usr/bin/env bash
# Builds the whole test suite with address and undefined-behaviour sanitizers
# into build-asan/ and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
if [ ! -f build-asan/CMakeCache.txt ]; then
  cmake -S . -B build-asan "${generator[@]}" -DCMAKE_BUILD_TYPE=Debug -DVN_SANITIZE=ON
fi
cmake --build build-asan -j"$(nproc)"
ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
