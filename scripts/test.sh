#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer (warnings are errors) and runs the whole suite,
# then a short run of every fuzz target (about 20 seconds each, in parallel;
# any finding fails).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=build/test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DZORBEL_SANITIZE=ON -DZORBEL_WERROR=ON >/dev/null
cmake --build "$build"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure --no-tests=error -j "$(nproc)" --timeout 300
bash scripts/fuzz.sh --all 20
