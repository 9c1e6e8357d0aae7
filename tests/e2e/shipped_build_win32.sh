#!/usr/bin/env bash
# The build that ships (i686) on 32-bit Windows, in a prefix that has no 64-bit side: its
# modules that call delay-imported DLLs (tests/release), a quiet installation into the
# default folder, its server answering, and its removal by the quiet command of its
# uninstall entry. This script is the driver: the test
# programs are 64-bit ones, which such a prefix cannot run.
# Usage: shipped_build_win32.sh WINE-RUN PREFIX SETUP.EXE RELEASE-MODULES.EXE ITS-ARGUMENTS...
set -euo pipefail
wine_run=$1 prefix=$2 setup=$3
modules=("${@:4}")
export WINEPREFIX=$prefix
# One network of its own for the whole run (as tools/wine-run --own-network makes one for a
# single program): the server this run starts is asked, and ended, within it.
if [ -z "${VELMORA_OWN_NETWORK:-}" ]; then
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  export VELMORA_OWN_NETWORK=1
  exec unshare --net bash -c 'ip link set lo up && exec "$0" "$@"' "$0" "$@"
fi
# Each program is given 3 minutes (the installation takes well under one): one that a
# failing emulation left waiting fails the run, not the whole suite's time.
run() { timeout 180 "$wine_run" --prefix "$prefix" --arch win32 "$@" </dev/null; }
fail() { echo "shipped_build_win32: $*" >&2; exit 1; }
# The value of `name` in a registry key, as reg.exe prints it; empty when there is none.
value() { run reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }

# Each run starts from a new prefix: nothing that an earlier run left can make this one an
# upgrade.
run --fresh "${modules[@]}" || fail "the release's modules failed"

folder="$prefix/drive_c/velmora-tests/win32-setup"
mkdir -p "$folder"
cp "$setup" "$folder/setup.exe"
printf '%s\r\n' admin_name=Ann admin_surname=Lee admin_login=ann admin_password=Secret-42 >"$folder/velmorasetup.cfg"

# The setup starts a session of its own: the service manager and the server it starts are
# then its children, and an emulation fault of theirs shows in this output (what
# again_after_emulation_fault.sh looks for), not in a finished program's. The modules'
# session is given a minute to end: a Wine process of it that the emulation crashed waits
# for its debugger without end, and the modules have passed by then.
timeout 60 /usr/lib/wine/wineserver -w || /usr/lib/wine/wineserver -k
set +e
run 'C:\velmora-tests\win32-setup\setup.exe' /quiet '/log=C:\velmora-tests\win32-setup\run.log'
code=$?
set -e
log=$(tr -d '\r' <"$folder/run.log" 2>/dev/null || true)
echo "$log"
# 1 is the wizard's Finish: every step done and the server ready.
[ "$code" -eq 1 ] || fail "the quiet installation ended with $code"
grep -q 'path="C:\\Program Files\\Velmora"' <<<"$log" || fail "the default folder is not C:\\Program Files\\Velmora"
[ -f "$prefix/drive_c/Program Files/Velmora/Velmora.exe" ] || fail "no Velmora.exe in the default folder"

# Wine's HTTP service takes the certificate's binding but speaks plain HTTP on the port.
status=$(python3 - <<'PY'
import socket
with socket.create_connection(("127.0.0.1", 443), timeout=30) as server:
    server.sendall(b"GET / HTTP/1.1\r\nHost: localhost:443\r\nConnection: close\r\n\r\n")
    print(server.recv(64).split(b" ")[1].decode())
PY
) || fail "the server does not answer on port 443"
[ "$status" = 200 ] || fail "the server answered $status"

# The entry of the default service, named as the setup names it ("VelmoraServer_<service>").
entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VelmoraServer_velmora'
[ "$(value "$entry" InstallLocation)" = 'C:\Program Files\Velmora' ] || fail "the uninstall entry names another folder"
quiet=$(value "$entry" QuietUninstallString)
[ -n "$quiet" ] || fail "the uninstall entry has no quiet command"
# "<program>" <arguments>, the arguments without quotes of their own.
[[ $quiet =~ ^\"([^\"]+)\"\ (.*)$ ]] || fail "the quiet command is not \"<program>\" <arguments>: $quiet"
program=${BASH_REMATCH[1]}
read -ra arguments <<<"${BASH_REMATCH[2]}"
set +e
run "$program" "${arguments[@]}"
code=$?
set -e
[ "$code" -eq 0 ] || fail "the quiet uninstall ended with $code"
# Its copy in a folder of its own removes the folder once the started one has ended.
for _ in $(seq 1 300); do
  [ -e "$prefix/drive_c/Program Files/Velmora" ] || break
  sleep 1
done
[ ! -e "$prefix/drive_c/Program Files/Velmora" ] || fail "the uninstall left the folder"
[ -z "$(value "$entry" InstallLocation)" ] || fail "the uninstall left its entry"
run reg query 'HKLM\System\CurrentControlSet\Services\velmora' >/dev/null 2>&1 && fail "the uninstall left the service"
echo "shipped_build_win32: installed, answered and removed"
