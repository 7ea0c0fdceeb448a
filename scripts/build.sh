#!/usr/bin/env bash
# Configures and builds the project. Usage: build.sh <build dir> [--target NAME] [extra CMake arguments...]
# Without --target everything is built: the tool, the test programs and the benchmarks.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=$1
shift
targets=()
if [[ "${1:-}" == "--target" ]]; then
  targets=(--target "$2")
  shift 2
fi
cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build_dir" "${targets[@]}" -j"$(nproc)" -- --quiet
