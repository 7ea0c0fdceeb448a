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

# Places on the 1280x800 screen, where the main window opens maximized under openbox (its layout is fixed): "...",
# "Filtrar...", the first grid row and the menu "Ferramentas".
readonly browse_x=586 browse_y=87 filter_x=610 filter_y=128 row_x=300 row_y=185 tools_menu_x=90 tools_menu_y=28 row_height=17

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

click() { xdotool mousemove "$1" "$2" click 1; }

# Notes stored in the stand-in's database (its tables compare text with the stand-in's own collation).
notes() {
  python3 - "$demo_dir/kvora.sqlite" <<'PYTHON'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.create_collation("SQLSRV_CI_AS", lambda a, b: (a.lower() > b.lower()) - (a.lower() < b.lower()))
print(db.execute("select count(*) from MPIECEOLE").fetchone()[0])
PYTHON
}

# Runs inside xvfb-run.
run_headless() {
  openbox >/dev/null 2>&1 &
  wine "$build_dir/ExportarDFe.exe" &
  local tool=$!
  wait_window '^Exportar DF-e para KVORA$' >/dev/null
  sleep 2
  click "$browse_x" "$browse_y"
  wait_window '^Abrir arquivo$' >/dev/null
  sleep 1
  xdotool type --delay 5 "Z:${dfe_file//\//\\}"
  xdotool key Return
  sleep 1
  click "$filter_x" "$filter_y"
  sleep 3
  # A click marks the first row, Ctrl+click adds the second.
  click "$row_x" "$row_y"
  xdotool keydown ctrl mousemove "$row_x" $((row_y + row_height)) click 1 keyup ctrl
  sleep 1
  import -window root "$listed_png"
  local before
  before=$(notes)
  click "$tools_menu_x" "$tools_menu_y"
  sleep 0.5
  xdotool key Down Return
  wait_window '^Documentos fiscais$' >/dev/null
  sleep 1
  # "Sim" (the box's default button is "Não").
  xdotool key alt+s
  wait_window '^Andamento\.\.\.$' >/dev/null
  sleep 2
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
PYTHONPATH="$root/tools" python3 -m tds_standin --db "$demo_dir/kvora.sqlite" --port 0 --host auto \
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
