#!/usr/bin/env bash
# Console start-up, the single-instance lock and its "Dup" switch.
set -euo pipefail
bin=$1
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
# A CP932 list file of two terminals (山田 on PC01, a server by IP).
printf 'PC01\t\tN\t0\t-1\t-1\t\r\n\x8e\x52\x93\x63\r\n\r\n\r\nWORKGROUP\tMicrosoft Windows Network\r\nSV01\t192.168.1.2\tY\t9\t-1\t-1\t\r\nserver\r\n\r\n\r\n\t\r\n' > "$data/Sentrova.NT"

out=$("$bin" --console --once --data-dir "$data")
expected=$(printf '山田\tPC01\t未確認\tWORKGROUP\t\tpc\nserver\tSV01\t未確認\t\t192.168.1.2\tserver')
[[ "$out" == "$expected" ]] || fail "listing was: $out"

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
