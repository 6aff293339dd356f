#!/usr/bin/env bash
# Installs what is missing, builds the client and starts it.
#   scripts/run.sh                  the client against a local development lobby
#   scripts/run.sh --release DIR    the same, with DIR offered as a newer release:
#                                   the client hands over to the updater, which
#                                   installs DIR and starts the client again
#   scripts/run.sh --alone          the client on its own (its folder's qx.ini decides)
set -euo pipefail
cd "$(dirname "$0")/.."
alone=""
release=""
while (($#)); do
  case "$1" in
    --alone) alone=1 ;;
    --release)
      [[ $# -ge 2 && -d "$2" ]] || { echo "scripts/run.sh: --release needs a folder" >&2; exit 2; }
      release=$(realpath "$2"); shift ;;
    *) echo "usage: scripts/run.sh [--alone | --release DIR]" >&2; exit 2 ;;
  esac
  shift
done
bash scripts/setup.sh
build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZORBEL_TESTS=OFF -DZORBEL_BENCH=OFF >/dev/null
cmake --build "$build"
if [[ -z "$alone" && -x "$build/tools/devlobby/devlobby" ]]; then
  home=$(mktemp -d)
  cp -r "$build/skins" "$home/"   # the program folder holds the skins
  client="$build/Zorbel1"
  lobby_args=(--home "$home")
  if [[ -n "$release" ]]; then
    # An update replaces the files of the client's own folder, so the client
    # and the updater run from a copy there.
    cp "$build/Zorbel1" "$build/updater" "$home/"
    client="$home/Zorbel1"
    lobby_args+=(--release "$release")
  fi
  "$build/tools/devlobby/devlobby" "${lobby_args[@]}" &
  lobby=$!
  trap 'kill $lobby 2>/dev/null || true' EXIT
  # devlobby writes the client's qx.ini into $home once it listens.
  for _ in $(seq 50); do [[ -f "$home/qx.ini" ]] && break; sleep 0.1; done
  ZORBEL_HOME="$home" "$client"
  if [[ -n "$release" ]]; then
    # The client ended to hand over; the updater and the client it starts
    # again still need the lobby.
    echo "The development lobby keeps running for the updater and the new client; Ctrl-C stops it."
    wait "$lobby"
  fi
else
  exec "$build/Zorbel1"
fi
