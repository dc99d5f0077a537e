#!/usr/bin/env bash
# Checks the shipped executable without running it: a PE32 (32-bit) GUI
# program with no DLL of its own beside it, whose manifest asks for
# administrator rights and common controls 6, and which carries icon group 104.
set -euo pipefail
exe="$1"
fail() { echo "FAIL: $*"; exit 1; }

headers="$(i686-w64-mingw32-objdump -p "$exe")"
grep -q 'Magic[[:space:]]*010b[[:space:]]*(PE32)' <<<"$headers" || fail "not a PE32 image"
grep -q 'Subsystem[[:space:]]*00000002[[:space:]]*(Windows GUI)' <<<"$headers" || fail "not a GUI program"
# Linked statically: only system DLLs are imported.
dlls="$(grep 'DLL Name:' <<<"$headers" | awk '{print tolower($3)}' | sort -u)"
for dll in $dlls; do
  case "$dll" in
    kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|shell32.dll|shlwapi.dll|comctl32.dll|ole32.dll|oleaut32.dll|psapi.dll|msvcrt.dll|comdlg32.dll|api-ms-win-*) ;;
    *) fail "imports a non-system DLL: $dll" ;;
  esac
done

resources="$(wrestool -l "$exe")"
grep -q -- '--type=24 --name=1 ' <<<"$resources" || fail "no manifest"
grep -q -- '--type=14 --name=104 ' <<<"$resources" || fail "no icon group 104"
grep -q -- '--type=16 ' <<<"$resources" || fail "no version information"
manifest="$(wrestool -x --raw --type=24 --name=1 "$exe")"
grep -q 'level="requireAdministrator"' <<<"$manifest" || fail "manifest does not require administrator"
grep -q 'uiAccess="false"' <<<"$manifest" || fail "manifest asks for UI access"
grep -q 'Microsoft.Windows.Common-Controls' <<<"$manifest" || fail "no common controls dependency"
grep -q 'version="6.0.0.0"' <<<"$manifest" || fail "common controls not version 6"
echo "OK: $exe is a PE32 GUI executable with its manifest, icon 104 and version information"
