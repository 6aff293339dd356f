#!/usr/bin/env bash
# Installs what is missing, builds the client and starts it.
#   scripts/run.sh                  the client against a local development lobby;
#                                   the lobby keeps running after the client
#                                   closes, until Ctrl-C
#   scripts/run.sh --another        one more client against the newest development
#                                   lobby that a scripts/run.sh keeps running (run
#                                   it in another terminal, as often as you like)
#   scripts/run.sh --release DIR    the same as the first, with DIR offered as a
#                                   newer release: the client hands over to the
#                                   updater, which installs DIR and starts the
#                                   client again
#   scripts/run.sh --alone          the client on its own, from the build folder:
#                                   it asks the web host that the qx.ini there
#                                   names, else the compiled-in public one
# Every client started here gets a temporary program folder of its own (the
# skins, and the lobby's web host and packs), which goes when its run.sh ends.
# ZORBEL_RUN_BUILD names another build folder (default build/release);
# ZORBEL_RUN_NO_BUILD=1 uses it as it is, without installing or building.
set -euo pipefail
cd "$(dirname "$0")/.."
alone=""
another=""
release=""
while (($#)); do
  case "$1" in
    --alone) alone=1 ;;
    --another) another=1 ;;
    --release)
      [[ $# -ge 2 && -d "$2" ]] || { echo "scripts/run.sh: --release needs a folder" >&2; exit 2; }
      release=$(realpath "$2"); shift ;;
    *) echo "usage: scripts/run.sh [--alone | --another | --release DIR]" >&2; exit 2 ;;
  esac
  shift
done
build=${ZORBEL_RUN_BUILD:-build/release}
devlobby="$build/tools/devlobby/devlobby"
# Each run's lobby leaves a marker here, named by the lobby's process id and
# holding the lobby's folder, so that any number of runs side by side can be
# found while their lobbies run.
lobbies="$build/devlobby-lobbies"
# How long a lobby may take to get ready (a large release takes a while to pack).
ready_bound=600

folders=()
lobby=""
cleanup() {
  if [[ -n "$lobby" ]]; then
    kill "$lobby" 2>/dev/null || true
    wait "$lobby" 2>/dev/null || true
    rm -f "$lobbies/$lobby"
  fi
  ((${#folders[@]})) && rm -rf "${folders[@]}"
  return 0
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A temporary folder in $made, removed at the end.
new_folder() {
  made=$(mktemp -d "${TMPDIR:-/tmp}/zorbel-$1.XXXXXX")
  folders+=("$made")
}

# A program folder for one client in $home: the skins, the qx.ini of the
# lobby in folder $1 (its web host, no one's saved login) and its packs.
client_home() {
  new_folder home
  home=$made
  cp -r "$build/skins" "$home/"
  cp "$1/qx.ini" "$home/"
  local packs
  for packs in mappacks modpacks; do
    if [[ -d "$1/$packs" ]]; then cp -r "$1/$packs" "$home/"; fi
  done
}

# The folder of the newest lobby that still runs, in $lobby_folder; markers
# of lobbies that have ended go.
find_lobby() {
  local marker folder
  lobby_folder=""
  [[ -d "$lobbies" ]] || return 1
  for marker in $(ls -t "$lobbies"); do
    folder=$(cat "$lobbies/$marker" 2>/dev/null || true)
    if [[ "$(cat "/proc/$marker/comm" 2>/dev/null)" == devlobby && -f "$folder/qx.ini" ]]; then
      lobby_folder=$folder
      return 0
    fi
    rm -f "$lobbies/$marker"
  done
  return 1
}

if [[ -n "$another" ]]; then
  if ! find_lobby; then
    echo "scripts/run.sh --another: no development lobby is running; start one with scripts/run.sh" >&2
    exit 1
  fi
  client_home "$lobby_folder"
  ZORBEL_HOME="$home" "$build/Zorbel1" || true
  exit 0
fi

if [[ -z "${ZORBEL_RUN_NO_BUILD:-}" ]]; then
  bash scripts/setup.sh
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZORBEL_TESTS=OFF -DZORBEL_BENCH=OFF >/dev/null
  cmake --build "$build"
fi
if [[ -n "$alone" ]]; then
  exec "$build/Zorbel1"
fi
if [[ ! -x "$devlobby" ]]; then
  echo "scripts/run.sh: $devlobby is missing; scripts/run.sh --alone starts the client without it" >&2
  exit 1
fi

new_folder lobby
lobby_home=$made
lobby_args=(--home "$lobby_home")
[[ -n "$release" ]] && lobby_args+=(--release "$release")
"$devlobby" "${lobby_args[@]}" &
lobby=$!
# devlobby writes its qx.ini last, once it listens and its packs (and the
# release it offers) are ready: no client starts before that.
waited=0
while [[ ! -f "$lobby_home/qx.ini" ]]; do
  if ! kill -0 "$lobby" 2>/dev/null; then
    status=0
    wait "$lobby" || status=$?
    lobby=""
    echo "scripts/run.sh: the development lobby ended (exit status $status) before it was ready; no client is started" >&2
    exit 1
  fi
  if ((waited >= ready_bound * 10)); then
    echo "scripts/run.sh: the development lobby is not ready after $ready_bound seconds; no client is started" >&2
    exit 1
  fi
  if ((waited == 20)); then
    echo "Waiting for the development lobby to get ready$([[ -n "$release" ]] && echo " (it packs the release in $release)")..."
  elif ((waited > 20 && waited % 300 == 0)); then
    echo "Still waiting for the development lobby ($((waited / 10)) s)..."
  fi
  sleep 0.1
  waited=$((waited + 1))
done
mkdir -p "$lobbies"
echo "$lobby_home" >"$lobbies/.$lobby.new"
mv "$lobbies/.$lobby.new" "$lobbies/$lobby"

client_home "$lobby_home"
client="$build/Zorbel1"
if [[ -n "$release" ]]; then
  # An update replaces the files of the client's own folder, so the client
  # and the updater run from a copy there.
  cp "$build/Zorbel1" "$build/updater" "$home/"
  client="$home/Zorbel1"
fi
echo "More clients against this lobby: bash scripts/run.sh --another (in another terminal)."
ZORBEL_HOME="$home" "$client" || true
# Other clients (and, after a hand-over, the updater and the client it starts
# again) still need the lobby.
echo "The development lobby keeps running for the other clients; Ctrl-C stops it."
wait "$lobby" || true
