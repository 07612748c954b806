#!/usr/bin/env bash
# Ends every Wine process of one private prefix: wine-stop.sh PREFIX
export WINEPREFIX=$1
[ -d "$WINEPREFIX" ] && timeout 60 wineserver -k >/dev/null 2>&1
exit 0
