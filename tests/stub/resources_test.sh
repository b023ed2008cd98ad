#!/usr/bin/env bash
# Every GUI and console stub carries the launcher's resources in the last
# section of its image (so that it can be rewritten without moving another
# section): both dialog templates as laid out, the two icon names over one
# set of images, the manifest asking for common controls 6 and the version
# information.
set -euo pipefail
dist=${1:?dist directory}
status=0
fail() { echo "$1"; status=1; }
expect() { # stub, decompiled resources, expected line
  grep -Fqx -- "$3" <<<"$2" || fail "$1: missing resource line: $3"
}
for stub in lumen-x86.exe lumen-console-x86.exe lumen-x64.exe lumen-console-x64.exe; do
  file="$dist/stub/$stub"
  [ -f "$file" ] || { fail "missing $file"; continue; }
  case "$stub" in *x64*) tools=x86_64-w64-mingw32 ;; *) tools=i686-w64-mingw32 ;; esac
  last=$("$tools-objdump" -h "$file" | awk '$1 ~ /^[0-9]+$/ {name = $2} END {print name}')
  [ "$last" = ".rsrc" ] || fail "$stub: last section is $last, not .rsrc"
  rc=$("$tools-windres" -i "$file" -O rc)
  expect "$stub" "$rc" '103 DIALOGEX 22, 17, 233, 74'
  # popup, caption, system menu, minimise box, modal frame, 3D look, font
  expect "$stub" "$rc" 'STYLE 0x80ca00c4'
  expect "$stub" "$rc" 'EXSTYLE 0x40000'
  expect "$stub" "$rc" 'CLASS "LUMENPROGRESSDIALOG"'
  expect "$stub" "$rc" 'FONT 8, "MS Shell Dlg"'
  expect "$stub" "$rc" '  CONTROL "", 1003, "STATIC", 0x50000080, 46, 6, 176, 29'
  expect "$stub" "$rc" '  CONTROL "", 1001, "MSCTLS_PROGRESS32", 0x50800000, 6, 56, 162, 10'
  expect "$stub" "$rc" '  CONTROL "", 1002, "STATIC", 0x40000080, 6, 45, 154, 8'
  expect "$stub" "$rc" '  CONTROL "Cancel", 2, "BUTTON", 0x50030000, 173, 54, 50, 14'
  expect "$stub" "$rc" '  CONTROL "MAINICO", -1, "STATIC", 0x50000003, 13, 10, 0, 0'
  expect "$stub" "$rc" '104 DIALOGEX 0, 0, 233, 74'
  expect "$stub" "$rc" 'STYLE 0x80c800c0'
  expect "$stub" "$rc" '  CONTROL "Download", 1004, "BUTTON", 0x50010001, 61, 54, 50, 14'
  expect "$stub" "$rc" '  CONTROL "Locate", 1005, "BUTTON", 0x50010000, 117, 54, 50, 14'
  expect "$stub" "$rc" '  CONTROL "Cancel", 2, "BUTTON", 0x50010000, 173, 54, 50, 14'
  grep -Eq '^  CONTROL ".*", 1003, "STATIC", 0x50020000, 46, 6, 176, 40$' <<<"$rc" ||
    fail "$stub: message text of dialog 104"
  expect "$stub" "$rc" '"MAINICO" 14 /* RT_GROUP_ICON */'
  expect "$stub" "$rc" '"ID_SPLASH_ICON" 14 /* RT_GROUP_ICON */'
  # The main icon comes in four sizes; the splash icon names the same
  # images, and no other image is carried.
  main_group=$(sed -n '/^"MAINICO" 14/,/^END/p' <<<"$rc" | grep 'Element no')
  [ "$(grep -c 'Element no' <<<"$main_group")" = 4 ] ||
    fail "$stub: MAINICO does not hold four images"
  [ "$(sed -n '/^"ID_SPLASH_ICON" 14/,/^END/p' <<<"$rc" | grep 'Element no' | tr -d ',')" = \
    "$(tr -d ',' <<<"$main_group")" ] || fail "$stub: ID_SPLASH_ICON does not share MAINICO's images"
  [ "$(grep -c ' 3 /\* RT_ICON \*/$' <<<"$rc")" = 4 ] || fail "$stub: images beside MAINICO's"
  expect "$stub" "$rc" '1 24 /* RT_MANIFEST */'
  grep -Fq 'Microsoft.Windows.Common-Controls"" version=""6.0.0.0""' <<<"$rc" ||
    fail "$stub: manifest does not ask for common controls 6"
  grep -Fq '<dpiAware' <<<"$rc" || fail "$stub: manifest declares no DPI awareness"
  grep -Fq '<supportedOS Id=""{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}""/>' <<<"$rc" ||
    fail "$stub: manifest lists no supported systems"
  expect "$stub" "$rc" '1 VERSIONINFO'
done
[ $status -eq 0 ] && echo "stubs carry their resources in the last section"
exit $status
