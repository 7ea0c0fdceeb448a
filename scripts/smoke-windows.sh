#!/usr/bin/env bash
# Runs build-windows/ExportarDFe.exe under Wine on a virtual X screen with a window manager, as an operator would:
# lists a sample month of 150 coupons, marks two, exports them into a SQL Server stand-in with a fresh KVORA
# database, and checks that both notes were stored. Saves two screenshots (the list, then the report) in
# build-windows/. Needs scripts/build-windows.sh first. Exits non-zero when a step fails.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir="$root/build-windows"
demo_dir="$build_dir/demo"
dfe_file="$demo_dir/DFe-$(date +%Y-%m).sqlite"
listed_png="$build_dir/ExportarDFe-wine-list.png"
report_png="$build_dir/ExportarDFe-wine-report.png"
export WINEPREFIX="${WINEPREFIX:-$build_dir/wineprefix}" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=pt_BR.UTF-8 LC_ALL=pt_BR.UTF-8

# Places in the main window, in pixels from the top left corner of its client area (fixed layout), and of the
# first grid row.
readonly browse_x=586 browse_y=68 filter_x=610 filter_y=109 row_x=300 row_y=175 tools_menu_x=70 menu_y=10

# Waits up to 30 s for a window whose title matches $1; prints its id.
wait_window() {
  local id waited=0
  until id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) && [[ -n "$id" ]]; do
    sleep 0.5
    waited=$((waited + 1))
    ((waited < 60)) || { echo "No window \"$1\"." >&2; return 1; }
  done
  echo "$id"
}

click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }

notes() { python3 -c 'import sqlite3,sys; print(sqlite3.connect(sys.argv[1]).execute("select count(*) from MPIECEOLE").fetchone()[0])' "$demo_dir/kvora.sqlite"; }

# Runs inside xvfb-run.
run_headless() {
  openbox >/dev/null 2>&1 &
  wine "$build_dir/ExportarDFe.exe" &
  local tool=$! main dialog
  main=$(wait_window '^Exportar DF-e para KVORA$')
  sleep 2
  click "$main" "$browse_x" "$browse_y"
  dialog=$(wait_window '^Abrir arquivo$')
  sleep 1
  xdotool type --delay 5 "Z:${dfe_file//\//\\}"
  xdotool key Return
  sleep 1
  click "$main" "$filter_x" "$filter_y"
  sleep 3
  click "$main" "$row_x" "$row_y"
  xdotool key space Down space
  sleep 1
  import -window root "$listed_png"
  local before
  before=$(notes)
  click "$main" "$tools_menu_x" "$menu_y"
  sleep 0.5
  xdotool key Down Return
  wait_window '^Confirma' >/dev/null || wait_window '.' >/dev/null
  sleep 1
  xdotool key Return
  sleep 4
  import -window root "$report_png"
  local after
  after=$(notes)
  wineserver --kill || true
  wait "$tool" 2>/dev/null || true
  echo "Notes in the stand-in: $before before the export, $after after it."
  ((after == before + 2))
}

if [[ "${1:-}" == "--inside-xvfb" ]]; then
  run_headless
  exit
fi

mkdir -p "$demo_dir"
python3 "$root/tools/gen_dfe.py" --out "$dfe_file" --kvora-seed "$demo_dir/kvora-seed.json" --count 150 \
  --noted 0 --unknown 0 >/dev/null
rm -f "$demo_dir/kvora.sqlite"
python3 "$root/tools/tds_standin/standin.py" --db "$demo_dir/kvora.sqlite" --port 0 --host auto \
  --instance SQLEXPRESS --seed "$demo_dir/kvora-seed.json" --parent-pid $$ --log "$demo_dir/standin.log" \
  >"$demo_dir/standin.out" 2>&1 &
standin_pid=$!
trap 'kill "$standin_pid" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  grep -q '^port ' "$demo_dir/standin.out" 2>/dev/null && break
  sleep 0.2
done
host=$(sed -n 's/^port [0-9]* host \(.*\)$/\1/p' "$demo_dir/standin.out")
[[ -n "$host" ]] || { echo "The SQL Server stand-in did not start:" >&2; cat "$demo_dir/standin.out" >&2; exit 1; }
printf '[CONFIG]\r\nservidor=%s\\SQLEXPRESS\r\nBancoDados=KVORA\r\nUsuario=kvora\r\nSenha=kvora\r\n' "$host" \
  >"$build_dir/ExportarDFe.ini"
xvfb-run -a -s '-screen 0 1280x800x24' bash "${BASH_SOURCE[0]}" --inside-xvfb
echo "Screenshots: $listed_png, $report_png"
