#!/usr/bin/env bash
# Configures and builds Sentrova. Usage: build.sh [BUILD_DIR] [extra cmake options...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
shift || true
cmake -S "$top" -B "$build" -G Ninja "$@"
cmake --build "$build" --parallel "$(nproc)"
