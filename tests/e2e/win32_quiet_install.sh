#!/usr/bin/env bash
# The build that ships (i686) on 32-bit Windows: a quiet installation in a prefix made as
# 32-bit Windows, then what it left: exit code 1 (the server reported ready), the default
# folder under "Program Files", the service and the uninstall entry in the one registry view
# such a system has. Everything there is a 32-bit process, each started through qemu where
# the kernel cannot run Wine's 32-bit loader: this is the one run it gets.
# Usage: win32_quiet_install.sh prepare|install <source root> <i686 setup.exe> <work folder>
# "prepare" makes a new prefix (minutes, and no port taken); "install" installs into it.
set -euo pipefail
step=$1 root=$2 setup=$3 work=$4
prefix="$work/wineprefix-win32"
run="$work/win32-run"
fail() { echo "FAILED: $*" >&2; exit 1; }

if [ "$step" = prepare ]; then
  # A new prefix each time: the installation is not taken back.
  [ -d "$prefix" ] && WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  rm -rf "$prefix" "$prefix.lock" "$prefix.loader"
  exec "$root/tools/wine-run" --prefix "$prefix" --arch win32 wineboot
fi
rm -rf "$run"
mkdir -p "$run"
cp "$setup" "$run/setup.exe"
printf '%s\r\n' 'admin_name=Ann' 'admin_surname=Lee' 'admin_login=ann' 'admin_password=Secret-42' \
  'domain=localhost' >"$run/velmorasetup.cfg"
trap 'WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true' EXIT

set +e
"$root/tools/wine-run" --prefix "$prefix" --arch win32 --own-network "$run/setup.exe" /quiet /log "Z:$run/setup.log"
code=$?
set -e
log=$(tr -d '\r' <"$run/setup.log" 2>/dev/null || true)
echo "$log"
[ "$code" -eq 1 ] || fail "setup ended with $code, not 1"
grep -qF 'path="C:\Program Files\Velmora"' <<<"$log" || fail "not the default folder of 32-bit Windows"
grep -qF 'step readiness done' <<<"$log" || fail "the server did not report ready"
[ -f "$prefix/drive_c/Program Files/Velmora/Velmora.exe" ] || fail "no Velmora.exe in the default folder"
system_reg="$prefix/system.reg"
grep -qF '[Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VelmoraServer_velmora]' "$system_reg" ||
  fail "no uninstall entry"
grep -qF '[System\\CurrentControlSet\\Services\\velmora]' "$system_reg" || fail "no service"
! grep -qi 'Wow6432Node' "$system_reg" || fail "a 32-bit system has one registry view"
