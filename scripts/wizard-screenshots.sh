#!/usr/bin/env bash
# Pictures of every wizard page in every style, and of the background window,
# at 96, 144 and 192 DPI: build/screenshots/wizard-<dpi>-<page>-style<n>.png.
# Needs the win32 tree built (cmake --build --preset win32 --target wizard_wintests).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
tree=$root/build/win32
prefix=$tree/wineprefix
tests=$tree/tests/wizard/wizard_wintests.exe
build_dir_windows="Z:$(printf '%s' "$tree" | tr / '\\')"

for dpi in 96 144 192; do
  BX_BUILD_DIR=$build_dir_windows BX_WIZARD_SCREENSHOTS=1 "$root/scripts/wine-session.sh" "$prefix" sh -c '
    wine reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
    status=0
    wine "$2" --gtest_filter=WizardScreens.* || status=$?
    wine reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
    exit $status' sh "$dpi" "$tests"
done
ls "$root"/build/screenshots/wizard-*.png | wc -l
