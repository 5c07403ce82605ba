#!/usr/bin/env bash
# Times one check of 254 terminals checked by ping, half of them silent, and
# the same addresses swept by fping, on test hosts made of network
# namespaces (root). Usage: bench/check_sweep.sh [BUILD_DIR] [TIMEOUT_MS]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
timeout_ms=${2:-500}
bin="$build/src/sentrova"
[[ $(id -u) -eq 0 ]] || { echo "needs root (network namespaces)" >&2; exit 1; }
command -v fping >/dev/null || { echo "needs fping (scripts/install-deps.sh)" >&2; exit 1; }

tag=svbench$$
watch=$tag-w
hosts=$tag-h
work=$(mktemp -d)
cleanup() {
  ip netns del "$watch" 2>/dev/null || true
  ip netns del "$hosts" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
ip netns add "$watch"
ip netns add "$hosts"
ip -n "$watch" link set lo up
ip -n "$hosts" link set lo up
ip link add "$tag-a" netns "$watch" type veth peer name "$tag-b" netns "$hosts"
ip -n "$watch" addr add 10.88.0.1/16 dev "$tag-a"
ip -n "$watch" link set "$tag-a" up
ip -n "$hosts" link set "$tag-b" up
# 10.88.1.1-127 answer, 10.88.1.128-254 are silent.
for i in $(seq 1 127); do ip -n "$hosts" addr add "10.88.1.$i/16" dev "$tag-b"; done

addresses=()
list=""
for i in $(seq 1 254); do
  addresses+=("10.88.1.$i")
  list+=$(printf 'H%d\t10.88.1.%d\tY\t0\t-1\t-1\t\r\nu%d\r\n\r\n\r\nWG\t\r\n' "$i" "$i" "$i")
done
printf '%s' "$list" > "$work/Sentrova.NT"
printf '[Sentrova]\r\nVersion=2.10a\r\n[TCPIP]\r\nTimeOut=%d\r\n' "$timeout_ms" > "$work/Sentrova.ini"
mkdir -m 700 "$work/run"

start=$(date +%s.%N)
XDG_RUNTIME_DIR="$work/run" SENTROVA_ALSA_DEVICE=null ip netns exec "$watch" "$bin" --console --once --data-dir "$work" > "$work/out.txt"
mid=$(date +%s.%N)
ip netns exec "$watch" fping -q -r 0 -t "$timeout_ms" "${addresses[@]}" > /dev/null 2>&1 || true
end=$(date +%s.%N)

logins=$(grep -c $'\tlogin\t' "$work/out.txt" || true)
check=$(echo "$mid - $start" | bc -l)
sweep=$(echo "$end - $mid" | bc -l)
printf 'one check of 254 terminals (127 silent, TimeOut %d ms): %.2f s\n' "$timeout_ms" "$check"
printf 'fping sweep of the same addresses:                      %.2f s\n' "$sweep"
printf 'ratio check / fping: %.1f\n' "$(echo "$check / $sweep" | bc -l)"
printf 'login reports: %s\n' "$logins"
