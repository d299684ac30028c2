#!/usr/bin/env bash
# Sets up, builds, and runs the server under Wine (with Xvfb) on a virtual serial port, with
# the phone simulator attached: type connect, list, select <id>, key <name> ... at its prompt.
# With --web the phone page is served on localhost instead, joined to the server's serial line
# (open http://localhost:8080/?bridge in Chrome or Edge and press Connect).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset windows >/dev/null && cmake --build --preset windows
cmake --preset e2e >/dev/null && cmake --build --preset e2e
if [[ " $* " == *" --web "* ]]; then
  (cd web && { [[ -d node_modules ]] || PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund; } && npm run build)
fi
exec python3 tests/e2e/run_server.py "$@"
