#!/usr/bin/env bash
# End-to-end: the sample product built with `setup-builder --sign`, signed by
# osslsigncode with a certificate made here, once with its file data inside
# the image and once after the section, both with icons of their own. Each
# installer must verify, install silently under Wine, and leave an
# uninstaller that verifies too.
#
#   tests/e2e/signed_install.sh HOST_BUILD WIN32_BUILD
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
host=$(cd "${1:-$root/build/host}" && pwd)
win32=$(cd "${2:-$root/build/win32}" && pwd)

if [ "${3:-}" != "--in-wine-session" ]; then
  exec "$root/scripts/wine-session.sh" "$win32/wineprefix" bash "${BASH_SOURCE[0]}" "$host" "$win32" --in-wine-session
fi

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=Bastionix-Test \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null || { echo "openssl failed" >&2; exit 1; }
sign="osslsigncode sign -certs $work/cert.pem -key $work/key.pem -in {file} -out {file}.s >/dev/null && mv {file}.s {file}"
verify() { osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >"$work/verify.log" 2>&1; }

for place in inside after; do
  product="Bastionix Signed ${place^}"
  cp -r "$root/samples/sample-product" "$work/$place"
  # The sample's manifest, renamed and with the file data in this place.
  uninstall_key="BastionixTests.Signed${place^}"
  sed -i -e "s/^name = .*/name = \"$product\"/" -e "s/^uninstall_key = .*/uninstall_key = \"$uninstall_key\"/" \
    "$work/$place/manifest.toml"
  printf '\n[package]\nfile_data = "%s"\n' "$place" >>"$work/$place/manifest.toml"
  # Branded, with an uninstaller icon of its own: the uninstaller's resources
  # differ from the installer's and must still be what was signed.
  convert -size 32x32 xc:red "$work/$place/installer.ico" && convert -size 16x16 xc:blue "$work/$place/uninstaller.ico" ||
    fail "$place: ImageMagick could not draw the icons"
  printf '\n[branding]\nicon = "installer.ico"\nuninstaller_icon = "uninstaller.ico"\n' >>"$work/$place/manifest.toml"
  installer="$work/setup-$place.exe"
  if ! "$host/setup-builder" "$work/$place/manifest.toml" -o "$installer" --stub "$win32/setup.exe" \
      --sign "$sign" >"$work/build.log" 2>&1; then
    fail "$place: the signed build failed: $(cat "$work/build.log")"
    continue
  fi
  verify "$installer" || fail "$place: the installer does not verify: $(cat "$work/verify.log")"

  folder="C:\\BastionixSigned\\$place"
  unix_folder=$(winepath -u "$folder" 2>/dev/null)
  rm -rf "$unix_folder"
  wine "$win32/tests/testkit/bx_drive.exe" --timeout 300 "$(winepath -w "$installer")" /silent "/d:$folder" \
    >"$work/run.log" 2>&1
  [ -f "$unix_folder/readme.txt" ] || fail "$place: readme.txt was not installed: $(cat "$work/run.log")"
  # Install mode always ends with 1; the log tells how it went.
  tail -n 3 "$unix_folder/Install.log" 2>/dev/null | grep -q "Installation Complete" ||
    fail "$place: Install.log does not end with \"Installation Complete\""

  # The uninstaller the Uninstall key names.
  key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$uninstall_key"
  command=$(wine reg query "$key" /v UninstallString </dev/null 2>/dev/null | tr -d '\r' |
    sed -n 's/.*REG_SZ *//p')
  uninstaller=$(printf '%s\n' "$command" | sed -n 's/^"\([^"]*\)".*/\1/p')
  [ -n "$uninstaller" ] || uninstaller=${command%% /*}
  if [ -z "$uninstaller" ]; then
    fail "$place: no UninstallString under $key"
  else
    unix_uninstaller=$(winepath -u "$uninstaller")
    verify "$unix_uninstaller" || fail "$place: the uninstaller $uninstaller does not verify: $(cat "$work/verify.log")"
  fi
  echo "$place: checked"
done

[ "$failures" -eq 0 ] && echo "signed installers: all passed"
exit $((failures > 0))
