#!/usr/bin/env bash
# Checks a built halvex.dll: it exports exactly the three plug-in functions, undecorated, and
# imports only DLLs that every Windows has (the C++ runtime and threads are linked in).
#
# Usage: check-dll.sh OBJDUMP DLL
set -euo pipefail
objdump=${1:?usage: check-dll.sh OBJDUMP DLL}
dll=${2:?usage: check-dll.sh OBJDUMP DLL}

table=$("$objdump" -p "$dll")
exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$table" | awk 'NF >= 2 && /\[/ {print $NF}' |
    grep -v Table | sort | tr '\n' ' ')
imports=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$table" | sort -u | tr '\n' ' ')

status=0
expected="__DeleteScene __OpenKNXDialog __SendDMXData2UDP "
if [[ $exports != "$expected" ]]; then
    echo "check-dll: exports are '$exports', expected '$expected'" >&2
    status=1
fi
system="advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll
        oleaut32.dll shell32.dll user32.dll uxtheme.dll ws2_32.dll"
for dll_name in $imports; do
    if ! grep -qw "$dll_name" <<<"$system"; then
        echo "check-dll: imports $dll_name, which is not part of every Windows" >&2
        status=1
    fi
done
echo "exports: $exports"
echo "imports: $imports"
exit $status
