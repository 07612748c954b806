#!/usr/bin/env bash
# Writes the program a browser starts as the Kestor native host on Linux: a shell
# script that runs a Windows host exe under Wine in one prefix.
#   bridge-launcher.sh PREFIX HOST_EXE LOG OUT
# The script must exec Wine directly: a shell or a timeout left in between would keep
# running, or leave the host running, after the browser closed its end of the pipe.
# Standard output is the message pipe, so nothing but the host writes there; Wine's
# own messages go to LOG.
set -euo pipefail
prefix=$1 exe=$2 log=$3 out=$4
wine64=$(command -v wine64 || echo /usr/lib/wine/wine64)
quote() { printf "'%s'" "${1//\'/\'\\\'\'}"; }
cat >"$out" <<SCRIPT
#!/bin/sh
export WINEPREFIX=$(quote "$prefix") WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
unset DISPLAY
exec $(quote "$wine64") $(quote "$exe") "\$@" 2>>$(quote "$log")
SCRIPT
chmod 755 "$out"
