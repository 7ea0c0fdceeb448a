#!/usr/bin/env bash
# Builds the tool and starts it. Without a display it runs on a virtual screen, saves a screenshot of the main
# window and closes the tool again.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir="$root/build"
screenshot="$build_dir/ExportarDFe-screenshot.png"

# The tool speaks Brazilian Portuguese and shows dates the Brazilian way.
export LANG=pt_BR.UTF-8 LC_ALL=pt_BR.UTF-8

run_with_display() {
  echo "Starting $build_dir/ExportarDFe (settings: $build_dir/ExportarDFe.ini)"
  "$build_dir/ExportarDFe"
}

# Runs inside xvfb-run: starts the tool, waits for its main window, takes the screenshot, closes the tool.
run_headless() {
  "$build_dir/ExportarDFe" &
  local pid=$! waited=0
  until xwininfo -root -tree 2>/dev/null | grep -q '"Exportar DF-e para KVORA"'; do
    sleep 0.2
    waited=$((waited + 1))
    if ((waited > 150)) || ! kill -0 "$pid" 2>/dev/null; then
      echo "The main window did not appear." >&2
      kill "$pid" 2>/dev/null || true
      return 1
    fi
  done
  sleep 1 # let it paint
  import -window root "$screenshot"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
}

if [[ "${1:-}" == "--inside-xvfb" ]]; then
  run_headless
  exit
fi

bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" "$build_dir"

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display: running the tool on a virtual screen (xvfb-run)."
  xvfb-run -a -s '-screen 0 1280x800x24' bash "${BASH_SOURCE[0]}" --inside-xvfb
  echo "Screenshot of the main window: $screenshot"
else
  run_with_display
fi
