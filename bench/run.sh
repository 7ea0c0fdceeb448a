#!/usr/bin/env bash
# Builds the benchmarks in release mode, generates the DFe data files they need (cached in bench-data/), runs every
# benchmark and prints one table: figure, size, tool, raw engine, ratio, target and whether the target was met
# ("-": a line without a target, which shows where another figure's floor lies).
#   bash bench/run.sh [--quick]     --quick skips the 1M-coupon year file
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
quick=0
[[ ${1:-} == --quick ]] && quick=1

bash "$root/scripts/install-deps.sh"
build=$root/build-bench
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target bench_dfe bench_grid bench_export bench_export_link bench_startup -- --quiet

data=$root/bench-data
mkdir -p "$data"
generate() { # file count first-day days xml-size
  if [[ ! -s $data/$1 ]]; then
    echo "Generating $1 ($2 coupons)..." >&2
    python3 "$root/tools/gen_bench_data.py" --out "$data/$1.tmp" --count "$2" --start "$3" --days "$4" \
      --xml-size "$5" --seed 7
    mv "$data/$1.tmp" "$data/$1"
  fi
}
generate month10k.sqlite 10000 2024-03-01 31 6000
generate month100k.sqlite 100000 2024-03-01 31 6000
((quick)) || generate year1m.sqlite 1000000 2024-01-01 366 500

export QT_QPA_PLATFORM=offscreen LC_ALL=pt_BR.UTF-8 LANG=pt_BR.UTF-8
rows=$(mktemp)
trap 'rm -f "$rows"; for pid in ${standin:-} ${proxy:-}; do kill "$pid" 2>/dev/null; done; true' EXIT
run() { "$@" 2>>"$data/bench.log" | grep '^ROW|' >>"$rows" || echo "failed: $*" >&2; }

dfe=$build/bench/bench_dfe
run "$dfe" filter "$data/month100k.sqlite" 2024-03-01 2024-03-31 100k "filter, month file" 1.25
if ((!quick)); then
  run "$dfe" filter "$data/year1m.sqlite" 2024-12-01 2024-12-31 1M "filter, year file (last month)" 1.05 7
  run "$dfe" filter "$data/year1m.sqlite" 2025-06-01 2025-06-30 1M "filter, year file (empty period)" 1.05 7
  # Where the year-file floor lies: SQLite's own scan with the pragmas the tool must set, against the bare scan.
  run "$dfe" pragmas "$data/year1m.sqlite" 2024-12-01 2024-12-31 1M "raw scan with the tool's pragmas" 7
  run "$dfe" pragmas "$data/year1m.sqlite" 2025-06-01 2025-06-30 1M "raw empty scan, tool's pragmas" 7
fi
# The walk: the filter, then every row read as the grid shows it; warm (repeated in one process) and cold (the
# first walk of fresh processes, median over them).
run "$dfe" walk "$data/month100k.sqlite" 2024-03-01 2024-03-31 100k "walk, warm" 1.1 9
run "$dfe" coldwalk "$data/month100k.sqlite" 2024-03-01 2024-03-31 100k 1.3 7
run "$dfe" memory "$data/month100k.sqlite" 2024-03-01 2024-03-31 100k 6000 64
run "$build/bench/bench_grid" firstpage "$data/month100k.sqlite" 2024-03-01 2024-03-31 100k
run "$build/bench/bench_grid" marking "$data/month100k.sqlite" 2024-03-01 2024-03-31 100k
run "$build/bench/bench_grid" markall "$data/month100k.sqlite" 2024-03-01 2024-03-31 100k

# Growth with the rows listed: a period covering the whole file, filtered and walked, at 10k, 100k and 1M.
run "$dfe" walk "$data/month10k.sqlite" 2024-03-01 2024-03-31 10k "growth: filter + walk" 1.25 9
run "$dfe" walk "$data/month100k.sqlite" 2024-03-01 2024-03-31 100k "growth: filter + walk" 1.25 3
((quick)) || run "$dfe" walk "$data/year1m.sqlite" 2024-01-01 2024-12-31 1M "growth: filter + walk" 1.25 3
# Where the walk's floor lies without the engine's own locking, which the raw side takes on every call and the tool,
# whose connection belongs to one thread, opens without.
run "$dfe" walknomutex "$data/month100k.sqlite" 2024-03-01 2024-03-31 100k "walk, raw without engine locking" 0 9
((quick)) || run "$dfe" walknomutex "$data/year1m.sqlite" 2024-01-01 2024-12-31 1M \
  "growth, raw without engine locking" 0 3

# Export against the SQL Server stand-in: 1,000 documents for the tool and 1,000 for each plain ODBC loop; then, over
# a link that delays every reply by 20 ms (a proxy in front of the stand-in), two runs of 200 for the tool and the
# held loop.
generate export1k.sqlite 1000 2024-03-01 31 6000
python3 "$root/tools/gen_bench_data.py" --kvora-bench "$data/export-seed.json" --count 1400
rm -f "$data"/kvora-bench.sqlite* "$data/kvora-bench.log" "$data/port" "$data/proxy-port"
PYTHONPATH="$root/tools" python3 -m tds_standin --db "$data/kvora-bench.sqlite" --port 0 --port-file "$data/port" \
  --seed "$data/export-seed.json" --log "$data/kvora-bench.log" --parent-pid $$ >/dev/null &
standin=$!
# Seeding 4,200 sales documents takes the stand-in a while (over 20 s on a loaded machine).
for _ in $(seq 1200); do [[ -s $data/port ]] && break; sleep 0.1; done
[[ -s $data/port ]] || echo "the SQL Server stand-in did not start" >&2
run "$build/bench/bench_export" "127.0.0.1,$(cat "$data/port")" kvora kvora KVORA "$data/export1k.sqlite" 1000
python3 "$root/tools/delay_proxy.py" --target "127.0.0.1:$(cat "$data/port")" --delay-ms 20 \
  --port-file "$data/proxy-port" --parent-pid $$ >/dev/null &
proxy=$!
for _ in $(seq 100); do [[ -s $data/proxy-port ]] && break; sleep 0.1; done
run "$build/bench/bench_export_link" 20 "$data/kvora-bench.log" "127.0.0.1,$(cat "$data/proxy-port")" kvora kvora \
  KVORA "$data/export1k.sqlite" 200 1000
kill "$proxy" "$standin"; wait "$proxy" "$standin" 2>/dev/null || true; proxy= standin=
rm -f "$data"/kvora-bench.sqlite* "$data/kvora-bench.log" "$data/port" "$data/proxy-port"

run "$build/bench/bench_startup" compare 20

echo "Machine: $(nproc) cores, $(LC_ALL=C free -g | awk '/Mem:/{print $2}') GiB, $(uname -sr), load $(cut -d' ' -f1-3 /proc/loadavg)"
format='%-36s %-5s %14s %14s %7s %11s %s\n'
printf "$format" figure size tool "raw engine" ratio target verdict
while IFS='|' read -r _ figure size tool raw ratio target verdict; do
  printf "$format" "$figure" "$size" "$tool" "$raw" "$ratio" "$target" "$verdict"
done <"$rows"
