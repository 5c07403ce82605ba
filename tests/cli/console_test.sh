#!/usr/bin/env bash
# Console start-up, the single-instance lock and its "Dup" switch.
set -euo pipefail
bin=$1

# Checks ping and browse: run in a network namespace that has only loopback.
if [[ -z "${SENTROVA_TEST_NETNS:-}" ]]; then
  export SENTROVA_TEST_NETNS=1
  if [[ $(id -u) -eq 0 ]]; then
    exec unshare --net bash "$0" "$@"
  fi
  exec unshare --user --map-root-user --net bash "$0" "$@" 2>/dev/null || { echo "SKIP: no network namespace"; exit 77; }
fi
ip link set lo up
work=$(mktemp -d)
first=""
cleanup() {
  if [[ -n "$first" ]] && kill -0 "$first" 2>/dev/null; then kill -TERM "$first"; wait "$first" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The lock lives in the runtime directory: give the test its own.
export XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
data=$work/data
mkdir "$data"
# A CP932 list file of two terminals checked by ping: 山田 on PC01 at the
# loopback address, and a server at an address nothing routes to here.
printf 'PC01\t127.0.0.1\tY\t0\t-1\t-1\t\r\n\x8e\x52\x93\x63\r\n\r\n\r\nWORKGROUP\tMicrosoft Windows Network\r\nSV01\t10.255.255.1\tY\t9\t-1\t-1\t\r\nserver\r\n\r\n\r\n\t\r\n' > "$data/Sentrova.NT"

out=$("$bin" --console --once --data-dir "$data")
listing=$(printf '山田\tPC01\t未確認\tWORKGROUP\t127.0.0.1\tpc\nserver\tSV01\t未確認\t\t10.255.255.1\tserver')
[[ "$(head -n 2 <<< "$out")" == "$listing" ]] || fail "listing was: $out"
# Then the check's reports: the login of PC01, the logout of the server.
stamp='[0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}'
grep -E -q "^$stamp"$'\t'"login"$'\t'"ログインしました。"$'\t'"山田 PC01\$" <<< "$out" || fail "no login report: $out"
grep -E -q "^$stamp"$'\t'"logout"$'\t'"ログアウトしました。"$'\t'"server SV01\$" <<< "$out" || fail "no logout report: $out"
[[ -f "$data/Sentrova.ini" ]] || fail "the settings were not saved"

# A first instance that keeps running.
"$bin" --console --data-dir "$data" > "$work/first.out" 2> "$work/first.err" &
first=$!
for _ in $(seq 1 100); do
  [[ -s "$work/first.out" ]] && break
  sleep 0.1
done
[[ -s "$work/first.out" ]] || fail "the first instance did not start"

set +e
"$bin" --console --once --data-dir "$data" > /dev/null 2> "$work/second.err"
rc=$?
set -e
[[ $rc -eq 1 ]] || fail "second instance exit code $rc"
grep -q 'Sentrova: Sentrovaは既に起動しています。' "$work/second.err" || fail "no warning: $(cat "$work/second.err")"

"$bin" --console --once --data-dir "$data" /dup > /dev/null || fail "a /dup instance was refused"
set +e
"$bin" --console --once --data-dir "$data" > /dev/null 2>&1
rc=$?
set -e
[[ $rc -eq 1 ]] || fail "third instance started after the /dup one ended (rc $rc)"

# Ctrl-C closes the first instance normally.
kill -INT "$first"
wait "$first" || fail "first instance ended with $?"
first=""
"$bin" --console --once --data-dir "$data" > /dev/null || fail "lock not released after the first instance ended"

# An unusable data directory is an error, not a crash.
set +e
"$bin" --console --once --data-dir "$data/Sentrova.NT" > /dev/null 2> "$work/dir.err"
rc=$?
set -e
[[ $rc -eq 1 ]] || fail "bad data dir exit code $rc"
grep -q 'Sentrova.NT' "$work/dir.err" || fail "bad data dir message: $(cat "$work/dir.err")"
echo "ok"
