#!/usr/bin/env bash
# Installs what is missing, builds Rankhold, prepares a program folder
# (default ~/Rankhold, reused on later runs) with an empty database and the
# stand-in game registered as the game folder, and starts Rankhold there.
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
program_folder="${RANKHOLD_PROGRAM_FOLDER:-$HOME/Rankhold}"
source "$src/scripts/deps.sh"
rankhold_install_deps run

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$src" -B "$src/build-run" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRANKHOLD_BUILD_TESTS=OFF \
    "${launcher[@]}" >/dev/null
cmake --build "$src/build-run" -j "$(nproc)"
bin="$src/build-run/src"

# The program folder: database, settings, pages, archive.
mkdir -p "$program_folder"
if [ ! -f "$program_folder/Rankhold.mdb" ]; then
    (cd "$program_folder" && "$bin/rankhold-cli" create-database)
fi
[ -f "$program_folder/Rankhold.txt" ] || cp "$src/resources/Rankhold.txt" "$program_folder/" 2>/dev/null || true

# The stand-in game, copied beside the program folder so that its score
# files never land in the source tree, and registered as the game folder.
game_folder="$program_folder/dflw"
if [ ! -f "$game_folder/dflw.exe" ]; then
    mkdir -p "$game_folder"
    cp -r "$src/standin/." "$game_folder/"
fi
registry="${XDG_CONFIG_HOME:-$HOME/.config}/Rankhold/registry.ini"
key='HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths\dflw.exe'
if ! grep -qF "[$key]" "$registry" 2>/dev/null; then
    mkdir -p "$(dirname "$registry")"
    printf '[%s]\r\nPath=%s\r\n' "$key" "$game_folder" >>"$registry"
fi

# offscreen and minimal draw nowhere: the window would run unseen.
qpa="${QT_QPA_PLATFORM:-}"
if { [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "$qpa" ]; } || [ "$qpa" = offscreen ] ||
    [ "$qpa" = minimal ]; then
    # No desktop: run the chain once with rankhold-cli instead of the window.
    echo "rankhold: no display is available; running import and export once with rankhold-cli."
    cd "$program_folder"
    # The ranking switches on, unless the operator has settings of their own.
    if [ ! -f Rankhold.ini ]; then
        printf '[HTMLCreation]\r\nKills=on\r\nDeaths=on\r\nFlags=on\r\nZonetime=on\r\nTargets=on\r\nRatio=on\r\nTop10=on\r\n' \
            >Rankhold.ini
    fi
    # One map of the stand-in game writes one score block into its scores.txt.
    (cd "$game_folder" && RANKHOLD_STANDIN_MAPS=1 RANKHOLD_STANDIN_INTERVAL=1 timeout 60 ./dflw.exe /s)
    "$bin/rankhold-cli" --game-folder "$game_folder" import
    "$bin/rankhold-cli" export
    "$bin/rankhold-cli" info
    echo "The ranking pages are in $program_folder:"
    ls -1 "$program_folder"/rankhold_*.html 2>/dev/null || echo "(none: every ranking is switched off in Rankhold.ini)"
    echo "After every map: cd $program_folder && $bin/rankhold-cli --game-folder $game_folder watch"
    exit 0
fi
cd "$program_folder"
exec "$bin/rankhold"
