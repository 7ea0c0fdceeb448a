#!/usr/bin/env bash
# Runs a QtTest program built for Windows under Wine: wine_run.sh PREFIX PROGRAM [ARGUMENTS...]. The prefix is made
# on first use, without the prompts for the .NET and web-browser add-ons, which nothing here needs. Under Wine the
# test log reaches a pipe only through a file, so it is written to one and printed afterwards.
set -euo pipefail
export WINEPREFIX=$1
shift
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  mkdir -p "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1
  wineserver --wait
fi
# Wine keeps the build machine's QT_ variables from Windows programs; given with WINE in front, they reach them.
# The offscreen platform finds no fonts on Windows: it is given the build machine's.
if [[ -n "${QT_QPA_PLATFORM:-}" ]]; then
  export WINEQT_QPA_PLATFORM=$QT_QPA_PLATFORM WINEQT_QPA_FONTDIR='Z:\usr\share\fonts\truetype\dejavu'
fi
log=$(mktemp --suffix=.txt)
trap 'rm -f "$log"' EXIT
status=0
wine "$@" -o "Z:${log//\//\\},txt" || status=$?
cat "$log"
exit "$status"
