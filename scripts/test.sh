#!/usr/bin/env bash
# Installs what is missing, builds with the tests, and runs every test.
# Usage: test.sh [address|thread]   (optional sanitizer build)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
sanitize=${1:-}
build="$top/build${sanitize:+-$sanitize}"
"$top/scripts/build.sh" "$build" -DSENTROVA_SANITIZE="$sanitize"
export QT_QPA_PLATFORM=offscreen SENTROVA_ALSA_DEVICE=null
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$top/tests/lsan.supp}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1 suppressions=$top/tests/tsan.supp}
(cd "$build" && ctest --output-on-failure --timeout 600 -j "$(nproc)")

# The fuzz targets need clang's libFuzzer: a build of their own, each target
# run for a short bounded time (plain runs only, not with the sanitizer builds).
if [[ -z "$sanitize" ]]; then
  "$top/scripts/build.sh" "$top/build-fuzz" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DSENTROVA_FUZZ=ON
  (cd "$top/build-fuzz" && ctest --output-on-failure -L fuzz)
fi
