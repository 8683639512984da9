#!/bin/sh
# Usage: check_exports.sh <libdunvell.so>
# Fails unless the library defines exactly its eleven Dunvell_ exports and no other
# Dunvell_ or dunvell:: symbol.
set -eu
symbols=$(nm -DC --defined-only "$1")
ours=$(printf '%s\n' "$symbols" | awk '{print $NF}' | grep -E '^(Dunvell_|dunvell::)' | sort || true)
expected=$(printf "%s\n" Dunvell_ConnectionInUse Dunvell_Dial Dunvell_GetErrorString Dunvell_GetStateString Dunvell_GoIdle Dunvell_RASCfgDialog Dunvell_RASDllOK Dunvell_SetCurrentConfig Dunvell_ShowDialingDlg Dunvell_SnmpDllOK Dunvell_State | sort)
if [ "$ours" != "$expected" ]; then
    echo "exports of $1:"
    printf '%s\n' "$ours"
    echo "expected:"
    printf '%s\n' "$expected"
    exit 1
fi
# Nothing of the platform code the library carries is visible either.
if printf '%s\n' "$symbols" | grep -q 'platform::'; then
    echo "platform symbols exported by $1:"
    printf '%s\n' "$symbols" | grep 'platform::'
    exit 1
fi
