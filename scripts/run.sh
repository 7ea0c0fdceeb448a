#!/usr/bin/env bash
# Builds the tool and runs the demo: a SQL Server stand-in with a seeded KVORA database, a sample DFe data file for
# the current month, and the tool with settings that reach the stand-in. The stand-in stops when the tool closes.
# Without a display it runs on a virtual screen, lists the sample's coupons, saves a screenshot of the main window
# and closes the tool again.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir="$root/build"
demo_dir="$build_dir/demo"
screenshot="$build_dir/ExportarDFe-screenshot.png"
settings="$build_dir/ExportarDFe.ini"
dfe_file="$demo_dir/DFe-$(date +%Y-%m).sqlite"
kvora_port=14330
# Named as store settings usually name their server: HOST\INSTANCE, the port told by the browser service.
kvora_server='127.0.0.1\SQLEXPRESS'

# Places of the main window's controls, in pixels from its top left corner below the menu bar (fixed layout).
readonly browse_x=586 browse_y=49 filter_x=610 filter_y=90 client_height=472

run_with_display() {
  echo "Starting $build_dir/ExportarDFe (settings: $settings)"
  echo "DFe data file of the demo: $dfe_file"
  "$build_dir/ExportarDFe"
}

# Chooses the sample file with "..." and presses "Filtrar...", as an operator would.
list_sample() {
  local window=$1 menu_height
  menu_height=$(($(xdotool getwindowgeometry --shell "$window" | sed -n 's/^HEIGHT=//p') - client_height))
  xdotool mousemove --window "$window" "$browse_x" $((menu_height + browse_y)) click 1
  xdotool search --sync --name '^Abrir arquivo$' >/dev/null
  sleep 0.5
  xdotool type --delay 2 "$dfe_file"
  xdotool key Return
  sleep 0.5
  xdotool mousemove --window "$window" "$filter_x" $((menu_height + filter_y)) click 1
  sleep 1.5
}

# Runs inside xvfb-run: starts the tool, waits for its main window, lists the sample when xdotool is there, takes
# the screenshot, closes the tool.
run_headless() {
  "$build_dir/ExportarDFe" &
  local pid=$! waited=0 window
  until window=$(xdotool search --name '^Exportar DF-e para KVORA$' 2>/dev/null | head -1) && [[ -n "$window" ]]; do
    sleep 0.2
    waited=$((waited + 1))
    if ((waited > 150)) || ! kill -0 "$pid" 2>/dev/null; then
      echo "The main window did not appear." >&2
      kill "$pid" 2>/dev/null || true
      return 1
    fi
  done
  sleep 1 # let it paint
  list_sample "$window"
  import -window root "$screenshot"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
}

# A fresh KVORA database from the seed on every run, so the demo can be repeated.
start_standin() {
  rm -f "$demo_dir/kvora.sqlite" "$demo_dir/kvora.port"
  PYTHONPATH="$root/tools" python3 -m tds_standin --db "$demo_dir/kvora.sqlite" --port "$kvora_port" \
    --port-file "$demo_dir/kvora.port" --seed "$demo_dir/kvora-seed.json" --parent-pid $$ \
    --host 127.0.0.1 --instance SQLEXPRESS --log "$demo_dir/standin.log" >"$demo_dir/standin.out" 2>&1 &
  standin_pid=$!
  trap 'kill "$standin_pid" 2>/dev/null || true' EXIT
  local waited=0
  until [[ -s "$demo_dir/kvora.port" ]]; do
    sleep 0.2
    waited=$((waited + 1))
    if ((waited > 100)) || ! kill -0 "$standin_pid" 2>/dev/null; then
      echo "The SQL Server stand-in did not start:" >&2
      cat "$demo_dir/standin.out" >&2
      return 1
    fi
  done
  echo "SQL Server stand-in with the KVORA demo database: $kvora_server (127.0.0.1,$kvora_port)"
}

if [[ "${1:-}" == "--inside-xvfb" ]]; then
  run_headless
  exit
fi

bash "$root/scripts/install-deps.sh"
# The tool speaks Brazilian Portuguese and shows dates the Brazilian way; the locale exists once the install ran.
export LANG=pt_BR.UTF-8 LC_ALL=pt_BR.UTF-8
# Only what the demo runs: the test programs are built by scripts/test.sh.
bash "$root/scripts/build.sh" "$build_dir" --target ExportarDFe

mkdir -p "$demo_dir"
python3 "$root/tools/gen_dfe.py" --out "$dfe_file" --kvora-seed "$demo_dir/kvora-seed.json" --count 150
if [[ ! -e "$settings" ]]; then
  printf '[CONFIG]\r\nservidor=%s\r\nBancoDados=KVORA\r\nUsuario=kvora\r\nSenha=kvora\r\n' \
    "$kvora_server" >"$settings"
  chmod 600 "$settings"
  echo "Settings for the stand-in written to $settings"
fi
start_standin

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display: running the tool on a virtual screen (xvfb-run)."
  xvfb-run -a -s '-screen 0 1280x800x24' bash "${BASH_SOURCE[0]}" --inside-xvfb
  echo "Screenshot of the main window: $screenshot"
else
  run_with_display
fi
