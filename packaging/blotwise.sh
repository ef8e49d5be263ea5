#!/bin/sh
# Starts the game in the player's own working directory, where the game looks for Shader/,
# Resources/ and config.txt. The installed files are found from where this script lies, so an
# unpacked package runs from wherever it was unpacked; nothing is written into the installed tree.
set -e

here=$(dirname "$(readlink -f "$0")")
prefix=$(cd "$here/.." && pwd)
data=$prefix/share/games/blotwise
workdir=${XDG_CONFIG_HOME:-${HOME:?"HOME is not set"}/.config}/blotwise

mkdir -p "$workdir"
for name in Shader Resources; do
  # Pointed anew at every start: the installed tree may have moved since the last one. A real
  # directory of the player's own is left alone.
  if [ -L "$workdir/$name" ] || [ ! -e "$workdir/$name" ]; then
    ln -sfn "$data/$name" "$workdir/$name"
  fi
done

cd "$workdir"
exec "$prefix/lib/games/blotwise/blotwise"
