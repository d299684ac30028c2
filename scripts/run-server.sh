#!/usr/bin/env bash
# Sets up, builds, and runs the server under Wine (with Xvfb) on a virtual serial port, with
# the phone simulator attached: type connect, list, select <id>, key <name> ... at its prompt.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset windows >/dev/null && cmake --build --preset windows
cmake --preset e2e >/dev/null && cmake --build --preset e2e
exec python3 tests/e2e/run_server.py "$@"
