#!/usr/bin/env bash
# Checks the console program without running it: a PE32 (32-bit) console
# program that imports only system DLLs, whose manifest runs it as the
# caller (a script cannot answer an elevation prompt).
set -euo pipefail
exe="$1"
fail() { echo "FAIL: $*"; exit 1; }

headers="$(i686-w64-mingw32-objdump -p "$exe")"
grep -q 'Magic[[:space:]]*010b[[:space:]]*(PE32)' <<<"$headers" || fail "not a PE32 image"
grep -q 'Subsystem[[:space:]]*00000003[[:space:]]*(Windows CUI)' <<<"$headers" || fail "not a console program"
for dll in $(grep 'DLL Name:' <<<"$headers" | awk '{print tolower($3)}' | sort -u); do
  case "$dll" in
    kernel32.dll|advapi32.dll|psapi.dll|shlwapi.dll|msvcrt.dll|api-ms-win-*) ;;
    *) fail "imports a DLL it should not need: $dll" ;;
  esac
done
manifest="$(wrestool -x --raw --type=24 --name=1 "$exe")"
grep -q 'level="asInvoker"' <<<"$manifest" || fail "manifest does not run it as the caller"
grep -q 'uiAccess="false"' <<<"$manifest" || fail "manifest asks for UI access"
echo "OK: $exe is a PE32 console program run as the caller"
