#!/usr/bin/env bash
# Sets up the machine, builds, and starts the configurator in build/demo.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
cd build/demo
exec ../bin/VN_S7_Config_DRV
