#!/usr/bin/env bash
# Installs what is missing, builds, and starts Sentrova: the window when a
# display exists, the console mode otherwise. Arguments go to the program.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" "$top/build" -DSENTROVA_TESTS=OFF -DSENTROVA_BENCH=OFF
bin="$top/build/src/sentrova"
# Pinging needs a raw ICMP socket where datagram ICMP sockets are refused;
# give the binary the one capability, as Debian does for ping.
if [[ $(id -u) -eq 0 ]]; then
  setcap cap_net_raw+ep "$bin" 2>/dev/null || true
elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
  sudo -n setcap cap_net_raw+ep "$bin" 2>/dev/null || true
fi
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  exec "$bin" "$@"
fi
exec "$bin" --console "$@"
