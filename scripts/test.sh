#!/usr/bin/env bash
# Builds the project and runs every test. With --asan, builds in build-asan with AddressSanitizer and
# UndefinedBehaviorSanitizer. Exits non-zero when a test fails.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

build_dir="$root/build"
cmake_args=()
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
