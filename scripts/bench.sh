#!/usr/bin/env bash
# Builds the benchmarks (optimised, no sanitizers) and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVOLY_TESTS=OFF -DTAVOLY_BENCH=ON
cmake --build build-bench
exec build-bench/tavoly_bench "$@"
