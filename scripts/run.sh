#!/usr/bin/env bash
# Installs what is missing, builds the client and starts it.
#   scripts/run.sh                  the client against a local development lobby;
#                                   the lobby keeps running after the client
#                                   closes, until Ctrl-C
#   scripts/run.sh --another        one more client against the development lobby
#                                   that scripts/run.sh keeps running (run it in
#                                   another terminal, as often as you like)
#   scripts/run.sh --release DIR    the same as the first, with DIR offered as a
#                                   newer release: the client hands over to the
#                                   updater, which installs DIR and starts the
#                                   client again
#   scripts/run.sh --alone          the client on its own (its folder's qx.ini decides)
# Every client started here gets a temporary program folder of its own, which
# goes when its run.sh ends.
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
build=build/release
# Where the running development lobby tells later clients its client folder.
running="$build/devlobby-running"

homes=()
lobby=""
cleanup() {
  if [[ -n "$lobby" ]]; then
    kill "$lobby" 2>/dev/null || true
    wait "$lobby" 2>/dev/null || true
    rm -f "$running"
  fi
  ((${#homes[@]})) && rm -rf "${homes[@]}"
  return 0
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A program folder for one client in $home, with the skins; removed at the end.
new_home() {
  home=$(mktemp -d "${TMPDIR:-/tmp}/zorbel-home.XXXXXX")
  homes+=("$home")
  cp -r "$build/skins" "$home/"
}

if [[ -n "$another" ]]; then
  first=""
  [[ -f "$running" ]] && first=$(cat "$running")
  if [[ -z "$first" || ! -f "$first/qx.ini" ]]; then
    echo "scripts/run.sh --another: no development lobby is running; start one with scripts/run.sh" >&2
    exit 1
  fi
  new_home
  cp "$first/qx.ini" "$home/"
  for packs in mappacks modpacks; do
    [[ -d "$first/$packs" ]] && cp -r "$first/$packs" "$home/"
  done
  ZORBEL_HOME="$home" "$build/Zorbel1" || true
  exit 0
fi

bash scripts/setup.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZORBEL_TESTS=OFF -DZORBEL_BENCH=OFF >/dev/null
cmake --build "$build"
if [[ -n "$alone" || ! -x "$build/tools/devlobby/devlobby" ]]; then
  exec "$build/Zorbel1"
fi

new_home
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
# devlobby writes the client's qx.ini into $home once it listens.
for _ in $(seq 50); do [[ -f "$home/qx.ini" ]] && break; sleep 0.1; done
echo "$home" >"$running"
echo "More clients against this lobby: bash scripts/run.sh --another (in another terminal)."
ZORBEL_HOME="$home" "$client" || true
# Other clients (and, after a hand-over, the updater and the client it starts
# again) still need the lobby.
echo "The development lobby keeps running for the other clients; Ctrl-C stops it."
wait "$lobby" || true
