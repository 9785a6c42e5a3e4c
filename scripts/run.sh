#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tavoly from its program folder with the sample book.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVOLY_TESTS=OFF
cmake --build build
cd build/program
exec ./tavoly "$@"
