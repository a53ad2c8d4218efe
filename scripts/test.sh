#!/usr/bin/env bash
# Sets up the machine, builds, runs every test, checks the installed program
# and the Debian package, runs the suite again under the address and
# undefined-behaviour sanitizers, then runs each fuzz target briefly.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
ctest --test-dir build --output-on-failure -j"$(nproc)"
bash scripts/check-install.sh build
bash scripts/sanitize.sh
bash scripts/fuzz.sh
