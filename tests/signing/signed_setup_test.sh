#!/usr/bin/env bash
# The signed setup of this build (tests/signing/CMakeLists.txt): every signature verifies
# against the throw-away CA, and a whole unattended installation with it under Wine unpacks
# the signed Velmora.exe, whose server answers; the setup's archive survives the signature
# appended to the program.
# Usage: signed_setup_test.sh BUILD_DIR SIGNING_BUILD_DIR (needs a display, as ctest has).
set -euo pipefail
build=$1
here=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
prefix="$build/wineprefix"
run="$here/run"
service=velmora_signed_test
folder_win='C:\velmora-signed-test'
folder="$prefix/drive_c/velmora-signed-test"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
verifies() { osslsigncode verify -CAfile "$here/certificate/ca.pem" -in "$1" >/dev/null 2>&1; }
wine_run() { "$root/tools/wine-run" --prefix "$prefix" "$@"; }

for program in "$here/setup.exe" "$here/payload/Velmora.exe" "$here/payload/uninstall.exe"; do
  verifies "$program" || fail "the signature of $program does not verify"
done
# Without a signing command the build's own programs stay as linked.
if [ -z "$(tr -d '[:space:]' <"$build/sign_command.txt")" ]; then
  for program in "$build/setup.exe" "$build/payload/Velmora.exe"; do
    ! osslsigncode verify -in "$program" >/dev/null 2>&1 || fail "$program is signed, though the build does not sign"
  done
fi

# The lock of everything that takes port 443. When this runs under it already (ctest started
# under flock), the held descriptor is inherited: locking that again returns at once.
lock=
for fd in /proc/$$/fd/*; do
  [ "$(readlink "$fd")" = /tmp/velmora-tests.lock ] && lock=${fd##*/} && break
done
if [ -z "$lock" ]; then
  exec 9>>/tmp/velmora-tests.lock
  lock=9
fi
flock "$lock"

# The service, its entry and shortcuts go through the installation's own uninstall.exe; the
# folder from here too, should the server's process outlive the uninstaller's last attempt.
remove_installation() {
  if [ -f "$folder/uninstall.exe" ]; then
    wine_run "$folder/uninstall.exe" /quiet || echo "uninstall.exe /quiet ended with $?" >&2
    for _ in $(seq 150); do [ -e "$folder" ] || break; sleep 0.1; done
  fi
  rm -rf "$folder"
}
remove_installation   # what a broken earlier run left
trap remove_installation EXIT

rm -rf "$run"
mkdir -p "$run"
cp "$here/setup.exe" "$run/setup.exe"
printf '%s\r\n' 'force_auto=true' 'domain=localhost' "path=$folder_win" "service=$service" \
  'admin_name=Ann' 'admin_surname=Lee' 'admin_login=ann' 'admin_password=Secret-42' >"$run/velmorasetup.cfg"
set +e
wine_run "$build/tools/setup-driver/setup-driver.exe" "Z:$run/setup.exe"
code=$?
set -e
[ "$code" -eq 1 ] || fail "setup ended with $code, not 1 (a completed installation)"
cmp -s "$here/payload/Velmora.exe" "$folder/Velmora.exe" || fail "the installed Velmora.exe is not the signed one"
verifies "$folder/Velmora.exe" || fail "the installed Velmora.exe does not verify"
verifies "$folder/uninstall.exe" || fail "the installed uninstall.exe does not verify"
# Wine's HTTP service has no SSL: the server answers in plain HTTP on port 443.
page=$(timeout 10 bash -c 'exec 3<>/dev/tcp/127.0.0.1/443 &&
  printf "GET / HTTP/1.1\r\nHost: localhost:443\r\nConnection: close\r\n\r\n" >&3 && cat <&3' 2>/dev/null || true)
case "$page" in
  "HTTP/1.1 200"*"Velmora Server"*) ;;
  *) fail "the installed server does not answer: ${page:0:200}" ;;
esac
[ "$failures" -eq 0 ] && echo "signed setup: signatures verify, installed and answered"
exit "$failures"
