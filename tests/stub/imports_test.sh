#!/usr/bin/env bash
# Every stub must run on a bare Windows: it may import only system DLLs, and
# it must carry no COFF symbol table (that would sit where the block begins).
set -euo pipefail
dist=${1:?dist directory}
allowed='^(KERNEL32|USER32|GDI32|ADVAPI32|SHELL32|OLE32|COMCTL32|COMDLG32|MSVCRT|WININET|VERSION)\.DLL$'
# Loaded at run time from the system directory when a window first needs
# them: importing them would make every quiet start pay for their loading.
deferred='^(USER32|GDI32|SHELL32|OLE32|COMCTL32|COMDLG32|WININET)\.DLL$'
status=0
for stub in lumen-x86.exe lumen-console-x86.exe lumen-x64.exe lumen-console-x64.exe; do
  file="$dist/stub/$stub"
  [ -f "$file" ] || { echo "missing $file"; status=1; continue; }
  case "$stub" in *x64*) objdump=x86_64-w64-mingw32-objdump ;; *) objdump=i686-w64-mingw32-objdump ;; esac
  while read -r dll; do
    if ! echo "$dll" | tr '[:lower:]' '[:upper:]' | grep -Eq "$allowed"; then
      echo "$stub imports non-system DLL $dll"
      status=1
    elif echo "$dll" | tr '[:lower:]' '[:upper:]' | grep -Eq "$deferred"; then
      echo "$stub imports $dll, which only windows or downloads need (load it when needed)"
      status=1
    fi
  done < <("$objdump" -p "$file" | awk '/DLL Name:/ {print $3}')
  symbols=$("$objdump" -f "$file" | awk '/start address/ {next} /HAS_SYMS/ {print "yes"}')
  if [ -n "$symbols" ]; then echo "$stub carries a symbol table"; status=1; fi
  subsystem=$("$objdump" -p "$file" | awk '/^Subsystem/ {print $2}')
  case "$stub" in
    *console*) [ "$subsystem" = "00000003" ] || { echo "$stub is not a console program"; status=1; } ;;
    *) [ "$subsystem" = "00000002" ] || { echo "$stub is not a GUI program"; status=1; } ;;
  esac
done
# A 32-bit program linked without link-time optimisation keeps the load
# thunk of every delay-loaded function it calls: a dropped thunk shows as an
# absolute symbol at 0, which the first call would jump to.
tree=${2:-}
if [ -n "$tree" ] && [ -f "$tree/lumen_win_tests.exe" ]; then
  dropped=$(i686-w64-mingw32-nm "$tree/lumen_win_tests.exe" | awk '$2 == "A" {print substr($3, 2)}' |
    sort | comm -12 - <(sort "$tree"/delayed/*.names))
  [ -z "$dropped" ] || { echo "load thunks dropped from lumen_win_tests.exe:" $dropped; status=1; }
fi
[ $status -eq 0 ] && echo "stubs import only system DLLs (none only windows need) and carry no symbols"
exit $status
