#!/usr/bin/env bash
# Ends every Wine process of one private prefix: wine-stop.sh PREFIX
# The prefixes are 64-bit unless KESTOR_WINEARCH says otherwise (see wine-run.sh).
export WINEARCH=${KESTOR_WINEARCH:-win64} WINEPREFIX=$1
[ -d "$WINEPREFIX" ] && timeout 60 wineserver -k >/dev/null 2>&1
exit 0
