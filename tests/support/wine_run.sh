#!/usr/bin/env bash
# Runs a Windows program under Wine: wine_run.sh PREFIX PROGRAM [ARGUMENTS...]. The prefix is made on first use,
# without the prompts for the .NET and web-browser add-ons, which nothing here needs.
set -euo pipefail
export WINEPREFIX=$1
shift
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  mkdir -p "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1
  wineserver --wait
fi
exec wine "$@"
