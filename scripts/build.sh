#!/usr/bin/env bash
# Builds the Windows program (build/windows/Quillant.exe) and the native code.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset windows >/dev/null
cmake --build --preset windows
