#!/usr/bin/env bash
# Installs the Windows stand-in of the game (the one the tests play under
# Wine) into a Wine prefix of its own, registered as the game's installer
# registers the real one, so that a whole game can be tried without the game:
#   scripts/standin-game.sh [PREFIX]     (default ~/.wine-zorbel)
# then, as it says at the end:
#   WINEPREFIX=PREFIX bash scripts/run.sh
# The stand-in plays for SECONDS (default 60: STANDIN_SECONDS=...), sends the
# client a made-up result and ends. Needs Wine for 32-bit programs and
# mingw-w64 (scripts/setup.sh installs both); WINE names another wine program.
set -euo pipefail
cd "$(dirname "$0")/.."
prefix=$(realpath -m "${1:-$HOME/.wine-zorbel}")
seconds=${STANDIN_SECONDS:-60}
key='HKLM\Software\Bullfrog Productions Ltd\Populous: The Beginning'
game="$prefix/drive_c/Games/Populous"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

wine=${WINE:-wine}
for program in i686-w64-mingw32-gcc "$wine" wineserver; do
  command -v "$program" >/dev/null || { echo "scripts/standin-game.sh: $program is missing; run scripts/setup.sh" >&2; exit 1; }
done

# The prefix (a 64-bit Wine makes a 64-bit prefix: the 32-bit keys below go
# to Software\Wow6432Node, which the client reads as well).
echo "Making the Wine prefix $prefix ..."
"$wine" wineboot --init
# The game folder: the stand-in as poptb.exe, its settings beside it, and a
# palette for custom tribe colours.
mkdir -p "$game/data"
i686-w64-mingw32-gcc -std=gnu11 -O1 -s -o "$game/poptb.exe" tests/fixtures/fakegame/windows/main.c \
  -Wl,--image-base,0x400000 -Wl,--disable-dynamicbase -lws2_32
printf 'exit_after_ms=%d\npayload=GAME RESULT \npayload_size=400\n' "$((seconds * 1000))" >"$game/fakegame.ini"
[[ -f "$game/data/pal0-0.dat" ]] || head -c 1024 /dev/urandom >"$game/data/pal0-0.dat"
# The registry as the game's 32-bit installer leaves it.
"$wine" reg add "$key" /v InstallPath /t REG_SZ /d 'C:\Games\Populous' /f /reg:32
"$wine" reg add "$key" /v Version /t REG_SZ /d 1.03 /f /reg:32
"$wine" reg add "$key\\HWSWSelect" /v CurrentEXE /t REG_SZ /d poptb.exe /f /reg:32
# Wine writes the keys to system.reg when its server ends.
wineserver -w
echo "The stand-in is installed in $game. Start the client against the development lobby with:"
echo "  WINEPREFIX=$prefix bash scripts/run.sh"
