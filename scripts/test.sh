#!/usr/bin/env bash
# Builds the project and runs every test. With --asan, builds in build-asan with AddressSanitizer and
# UndefinedBehaviorSanitizer; with --windows, cross-builds for Windows in build-windows and runs the tests under Wine.
# Exits non-zero when a test fails.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

build_dir="$root/build"
cmake_args=()
if [[ "${1:-}" == "--windows" ]]; then
  # The test programs cross-built for Windows and run under Wine (the SQL Server ones through Wine's ODBC driver
  # manager, which hands them to unixODBC and FreeTDS), the referees of the platform's own functions, and a run of
  # the tool on a virtual screen.
  bash "$root/scripts/install-deps.sh"
  bash "$root/scripts/build-windows.sh"
  build_dir="$root/build-windows"
  cmake --build "$build_dir" -j"$(nproc)" -- --quiet
  export WINEPREFIX="$build_dir/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  [[ -f "$WINEPREFIX/system.reg" ]] || { mkdir -p "$WINEPREFIX"; wineboot --init >/dev/null 2>&1; wineserver --wait; }
  # One Wine server for the whole run instead of one per program, with its background services started here: started
  # by the first test, they would keep its output open and CTest would wait for them until the time limit.
  wineserver --persistent
  trap 'wineserver --kill 2>/dev/null || true' EXIT
  wine cmd /c exit >/dev/null 2>&1 </dev/null
  ctest --test-dir "$build_dir" --output-on-failure -j1
  bash "$root/scripts/smoke-windows.sh"
  exit
fi
if [[ "${1:-}" == "--asan" ]]; then
  build_dir="$root/build-asan"
  cmake_args=(-DEXPORTARDFE_SANITIZE=ON)
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1:fast_unwind_on_malloc=0"
  # Full stacks on allocation, so that the suppressions match frames inside the Qt libraries.
  export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi

bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" "$build_dir" "${cmake_args[@]}"
ctest --test-dir "$build_dir" --output-on-failure -j"$(nproc)"
