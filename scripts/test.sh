#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UBSan, runs every test; then
# compiles everything (the fuzzing harness and the benchmarks too) with clang, so that the
# code keeps building with both compilers.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAVOLY_SANITIZE=ON -DTAVOLY_TESTS=ON \
  -DTAVOLY_WERROR=ON
cmake --build build-test
(cd build-test && ctest --output-on-failure -j "$(nproc)")
cmake -S . -B build-clang -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug -DTAVOLY_FUZZ=ON \
  -DTAVOLY_TESTS=ON -DTAVOLY_BENCH=ON -DTAVOLY_WERROR=ON
cmake --build build-clang
