#!/usr/bin/env bash
# An unattended run whose installation fails ends, driven as tools/run-setup drives it:
# another program holds port 443, so the server's start fails; the progress page then
# waits for Finish, which setup-driver presses after telling the failed step and the
# status line. (It used to wait for its whole limit, after printing the failed step's
# bar as "step readiness done".) Runs in a network of its own: the port it holds is not
# the machine's.
# usage: failed_run_ends.sh WINE-RUN PREFIX SETUP.EXE SETUP-DRIVER.EXE
set -u
[ -z "${VELMORA_OWN_NETWORK:-}" ] &&
  exec env VELMORA_OWN_NETWORK=1 unshare --net bash -c 'ip link set lo up && exec "$0" "$@"' "$0" "$@"
wine_run=$1 prefix=$2 setup=$3 driver=$4
run=$(mktemp -d "${TMPDIR:-/tmp}/velmora-failed-run.XXXXXX")
holder=
cleanup() { [ -n "$holder" ] && kill "$holder" 2>/dev/null; WINEPREFIX=$prefix wineserver -k 2>/dev/null; rm -rf "$run"; }
trap cleanup EXIT
cp "$setup" "$run/setup.exe"
printf '%s\r\n' 'force_auto=true' 'domain=localhost' 'admin_name=Admin' 'admin_surname=Velmora' \
  'admin_login=admin' 'admin_password=Velmora1Admin' > "$run/velmorasetup.cfg"
python3 -c '
import socket, time
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("0.0.0.0", 443)); s.listen(5); time.sleep(900)' &
holder=$!
sleep 1
limit=300
start=$(date +%s)
output=$("$wine_run" --prefix "$prefix" --fresh "$driver" "Z:$run/setup.exe" $limit --timeline 443 2>&1)
code=$?
took=$(( $(date +%s) - start ))
printf '%s\n' "$output"
failures=0
check() { if eval "$2"; then echo "passed: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi; }
check "the driver ends with setup's code for a failed run (2), not its own time-out (102): $code" '[ "$code" -eq 2 ]'
check "well within the driver's limit of $limit s: $took s" '[ "$took" -lt 200 ]'
check "the start step is told as failed" 'grep -q "step start failed" <<<"$output"'
check "no step after it is told as done" '! grep -q "step readiness done" <<<"$output"'
check "the page's status line is printed" 'grep -q "^ *[0-9]* ms  status: " <<<"$output"'
check "the driver says what it waits for" 'grep -q "waiting for setup to end" <<<"$output"'
exit $((failures > 0))
