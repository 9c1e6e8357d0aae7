#!/usr/bin/env bash
# Pictures of a successful attended installation into the default folder, every page, and
# of the installed uninstaller's question, in English and in Russian, made by the end-to-end
# test Screenshots.ASuccessfulRunPageByPage under Xvfb. Usage: screenshots.sh BUILD_DIR OUTPUT_DIR [DPI]
# At a DPI other than 96 the setup runs in a prefix of its own made at that DPI
# (BUILD_DIR/wineprefix-<DPI>dpi, as the test wizard_banner_144dpi uses).
# The run installs a server on port 443: each run takes the tests' lock (README.md).
# Needs ImageMagick (convert) and, for Russian, the generated ru_RU.UTF-8 locale.
set -euo pipefail
build=$(realpath "$1")
out=$(realpath -m "$2")
dpi=${3:-96}
prefix="$build/wineprefix"
[ "$dpi" = 96 ] || prefix="$build/wineprefix-${dpi}dpi"
mkdir -p "$out"
exe="$build/tests/e2e/e2e_tests.exe"
run() {
  VELMORA_SCREENSHOTS="Z:$out" VELMORA_SCREENSHOT_LANGUAGE="$1" LC_ALL="$2" \
    flock /tmp/velmora-port443.lock xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$(dirname "$0")/../../tools/wine-run" --prefix "$prefix" --dpi "$dpi" "$exe" \
    --gtest_filter=Screenshots.ASuccessfulRunPageByPage
}
run en C.UTF-8
if locale -a 2>/dev/null | grep -qi '^ru_RU.utf8$'; then
  run ru ru_RU.UTF-8
fi
for bmp in "$out"/*.bmp; do
  convert "$bmp" "${bmp%.bmp}.png" && rm "$bmp"
done
ls "$out"
