#!/usr/bin/env bash
# Shows Bastionix Setup at work: builds it, then runs it under Wine the way a
# user would and prints what it showed. Screenshots land in build/screenshots/.
#
#   scripts/demo.sh
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root" || exit 1
jobs=${BX_JOBS:-2}
sample_installer=build/sample-setup.exe

section() { printf '\n==> %s\n' "$*"; }

# Part two, inside the Wine session that part one opens.
if [ "${1:-}" = "--in-wine-session" ]; then
  # Runs a Windows program, prints and answers its message boxes, and ends
  # with its exit code (tests/testkit/drive_main_win.cpp).
  drive() { wine build/win32/tests/testkit/bx_drive.exe "$@"; }

  section "setup.exe without a package"
  drive --screenshot demo-bare --timeout 60 "$(winepath -w build/win32/setup.exe)"
  echo "exit code: $?"

  section "the sample product's first page"
  # Under Xvfb: the page is photographed, then cancelled (the cancel notice
  # is answered like any other box).
  drive --page demo-first-page --timeout 120 "$(winepath -w "$sample_installer")"
  echo "exit code: $? (cancelled: 1602, the sample uses the deployment exit codes)"

  section "silent installation of the sample product"
  # A folder without blanks: the driver passes each argument as one word.
  demo_folder='C:\BastionixDemo\Sample'
  rm -rf "$WINEPREFIX/drive_c/BastionixDemo"
  drive --timeout 300 "$(winepath -w "$sample_installer")" /silent "/d:$demo_folder"
  echo "exit code: $? (0: installed, 3010: installed, restart needed, 1603: failed; Install.log tells)"
  unix_folder=$(winepath -u "$demo_folder")
  section "installed files"
  (cd "$unix_folder" && find . -type f | sort)
  section "Install.log"
  cat "$unix_folder/Install.log"
  section "the product's Uninstall key"
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\BastionixSamples.Sample' </dev/null |
    tr -d '\r'

  # --- Plug-in point: uninstall the sample product --------------------------
  section "uninstallation of the sample product"
  uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\BastionixSamples.Sample'
  uninstaller=$(wine reg query "$uninstall_key" /v UninstallString </dev/null | tr -d '\r' |
    sed -n 's/.*REG_SZ *"\([^"]*\)".*/\1/p')
  echo "uninstaller: $uninstaller"
  # A batch passes the quotes of /u:"name" as the user types them.
  printf '@"%s" /a /u:"BastionixSamples.Sample"\r\n@exit /b %%errorlevel%%\r\n' "$uninstaller" >build/demo-uninstall.bat
  wine cmd /c "$(winepath -w build/demo-uninstall.bat)" </dev/null
  echo "exit code: $? (0: removed)"
  # The self-removal batch deletes the uninstaller once it has ended.
  for _ in $(seq 1 60); do [ -e "$unix_folder" ] || break; sleep 1; done
  section "what is left"
  if [ -e "$unix_folder" ]; then (cd "$unix_folder" && find . | sort); else echo "$demo_folder: gone"; fi
  wine reg query "$uninstall_key" </dev/null >/dev/null 2>&1 && echo "the Uninstall key is still there" ||
    echo "the Uninstall key: gone"
  exit 0
fi

section "setup"
bash scripts/setup.sh || exit 1
for preset in win32 host; do
  section "build $preset"
  { cmake --preset "$preset" --log-level=WARNING >/dev/null &&
    cmake --build --preset "$preset" -j "$jobs" -- --quiet; } || exit 1
done

# --- Plug-in point: the sample product's installer ---------------------------
section "the sample product's installer"
build/host/setup-builder samples/sample-product/manifest.toml -o "$sample_installer" \
  --stub build/win32/setup.exe || exit 1

exec scripts/wine-session.sh build/win32/wineprefix "$0" --in-wine-session
