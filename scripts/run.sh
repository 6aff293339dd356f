#!/usr/bin/env bash
# Installs what is missing, builds the client and starts it.
#   scripts/run.sh           the client against a local development lobby
#   scripts/run.sh --alone   the client on its own (its folder's qx.ini decides)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZORBEL_TESTS=OFF -DZORBEL_BENCH=OFF >/dev/null
cmake --build "$build"
if [[ "${1:-}" != "--alone" && -x "$build/tools/devlobby/devlobby" ]]; then
  home=$(mktemp -d)
  cp -r "$build/skins" "$home/"   # the program folder holds the skins
  "$build/tools/devlobby/devlobby" --home "$home" &
  lobby=$!
  trap 'kill $lobby 2>/dev/null || true' EXIT
  # devlobby writes the client's qx.ini into $home once it listens.
  for _ in $(seq 50); do [[ -f "$home/qx.ini" ]] && break; sleep 0.1; done
  ZORBEL_HOME="$home" "$build/Zorbel1"
else
  exec "$build/Zorbel1"
fi
