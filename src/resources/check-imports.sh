#!/usr/bin/env bash
# check-imports.sh OBJDUMP IMAGE: lists the DLLs IMAGE imports and fails when
# one is not part of Windows, or is one setup.exe binds itself. setup.exe runs
# from a download folder on a bare system: a compiler runtime or zlib DLL would
# be missing there, or planted; and the loader looks for every import beside
# the program first, so only kernel32 and the C runtime, needed before its
# first line, are imports (setup/import_binding_main_win.cpp binds the rest).
set -euo pipefail
objdump=$1
image=$2

dlls=$("$objdump" -p "$image" | sed -n 's/^[[:space:]]*DLL Name: //p')
[ -n "$dlls" ] || { echo "no import table in $image"; exit 1; }

bad=0
while read -r dll; do
  case "${dll,,}" in
    kernel32.dll | msvcrt.dll)
      echo "  $dll" ;;
    user32.dll | gdi32.dll | advapi32.dll | shell32.dll | shlwapi.dll | ole32.dll | \
    oleaut32.dll | comctl32.dll | comdlg32.dll | version.dll | winhttp.dll | wininet.dll | msimg32.dll | \
    winmm.dll | ws2_32.dll | wsock32.dll | crypt32.dll | bcrypt.dll | rpcrt4.dll | \
    setupapi.dll | msi.dll | psapi.dll | dbghelp.dll | imm32.dll | uxtheme.dll | dwmapi.dll | \
    iphlpapi.dll | secur32.dll | userenv.dll | netapi32.dll | mpr.dll | wtsapi32.dll | ntdll.dll | \
    srclient.dll | riched20.dll | api-ms-win-*)
      echo "  $dll   <- taken from beside the program at start-up: bind it instead"
      bad=1 ;;
    *)
      echo "  $dll   <- not part of Windows"
      bad=1 ;;
  esac
done <<<"$dlls"
exit "$bad"
