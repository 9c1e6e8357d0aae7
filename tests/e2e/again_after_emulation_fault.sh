#!/usr/bin/env bash
# Runs a test command, and runs it again (five runs at most) when a 32-bit process of it
# died under qemu by a signal that never reached the program: "qemu: uncaught target
# signal". Wine turns a fault of the program itself into an exception, which it reports as
# an unhandled page fault and never as that line; the line is the emulation failing, which
# happens in one run in a few here, and says nothing about the build under test. So is
# "wineserver crashed": no Windows program can make Wine's server fail, but a 32-bit
# client under qemu now and then does. Nor can a Windows program fail the checks of the
# Linux side's own C library ("Inconsistency detected by ld.so", "stack smashing detected"):
# those are Wine's host code failing under qemu. Any other failure is the verdict.
# Usage: again_after_emulation_fault.sh command [arguments...]
set -uo pipefail
output=$(mktemp "${TMPDIR:-/tmp}/emulation-run.XXXXXX")
trap 'rm -f "$output"' EXIT
for run in 1 2 3 4 5; do
  "$@" 2>&1 | tee "$output"
  code=${PIPESTATUS[0]}
  if [ "$code" -eq 0 ] || ! grep -qE "qemu: uncaught target signal|wineserver crashed|Inconsistency detected by ld.so|stack smashing detected" "$output"; then
    exit "$code"
  fi
  echo "again_after_emulation_fault: run $run ended by an emulation fault; running again"
done
exit "$code"
