#!/usr/bin/env bash
# Installs the Debian packages listed in debian-packages.txt that are missing.
# Runs apt-get only when something is missing; needs root (or sudo) then.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mapfile -t wanted < <(grep -v -E '^\s*(#|$)' "$here/debian-packages.txt")
missing=()
for pkg in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
if [[ ${#missing[@]} -eq 0 ]]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
as_root=()
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || { echo "Need root (or sudo) to install: ${missing[*]}" >&2; exit 1; }
  as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
# The tests start their own Samba servers inside network namespaces. Keep the
# packages from starting the system's smbd and nmbd (nmbd would broadcast on
# the real network): no service starts while they are installed.
policy=/usr/sbin/policy-rc.d
added_policy=""
if [[ ! -e $policy ]]; then
  printf '#!/bin/sh\nexit 101\n' | "${as_root[@]}" tee "$policy" > /dev/null
  "${as_root[@]}" chmod 755 "$policy"
  added_policy=1
fi
status=0
{ "${as_root[@]}" apt-get update && "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"; } || status=$?
[[ -n "$added_policy" ]] && "${as_root[@]}" rm -f "$policy"
# Where a service manager enabled the servers this run installed, they stay
# off (a Samba server the machine had before is left as it was).
if [[ " ${missing[*]} " == *" samba "* ]] && command -v systemctl > /dev/null && [[ -d /run/systemd/system ]]; then
  "${as_root[@]}" systemctl disable --now smbd nmbd samba-ad-dc > /dev/null 2>&1 || true
fi
exit $status
