#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UBSan, runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAVOLY_SANITIZE=ON -DTAVOLY_TESTS=ON \
  -DTAVOLY_WERROR=ON
cmake --build build-test
cd build-test
ctest --output-on-failure -j "$(nproc)"
