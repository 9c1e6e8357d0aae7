#!/usr/bin/env bash
# Pictures of every wizard page, in English and in Russian, made from the running test
# program under Xvfb. Usage: screenshots.sh BUILD_DIR OUTPUT_DIR
# Needs ImageMagick (convert) and, for Russian, the generated ru_RU.UTF-8 locale.
set -euo pipefail
build=$(realpath "$1")
out=$(realpath -m "$2")
mkdir -p "$out"
exe="$build/tests/wizard/wizard_tests.exe"
run() {
  VELMORA_SCREENSHOTS="Z:$out" VELMORA_SCREENSHOT_LANGUAGE="$1" LC_ALL="$2" \
    xvfb-run -a -s "-screen 0 1024x768x24" \
    "$(dirname "$0")/../../tools/wine-run" --prefix "$build/wineprefix" "$exe" \
    --gtest_filter=Screenshots.EveryPage
}
run en C.UTF-8
if locale -a 2>/dev/null | grep -qi '^ru_RU.utf8$'; then
  run ru ru_RU.UTF-8
fi
for bmp in "$out"/*.bmp; do
  convert "$bmp" "${bmp%.bmp}.png" && rm "$bmp"
done
ls "$out"
