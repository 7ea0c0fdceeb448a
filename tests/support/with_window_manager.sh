#!/usr/bin/env bash
# Runs a command on a virtual X screen under a window manager, so that its windows get real frames.
#   with_window_manager.sh COMMAND [ARGS...]
set -euo pipefail
if [[ -z ${INSIDE_WINDOW_MANAGER:-} ]]; then
  exec env INSIDE_WINDOW_MANAGER=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
openbox >/dev/null 2>&1 &
wm=$!
trap 'kill $wm 2>/dev/null || true' EXIT
# Ready once it has announced itself on the root window.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.05
done
# Under AddressSanitizer: the X keyboard library reads its keymap names with strndup past their ends, which the
# strict string check reports at start-up; the other checks stay.
if [[ -n ${ASAN_OPTIONS:-} ]]; then
  export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0"
fi
QT_QPA_PLATFORM=xcb "$@"
