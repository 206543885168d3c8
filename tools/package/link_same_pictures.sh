#!/bin/sh
# SPDX-License-Identifier: MIT
# The skins hold pictures that are byte for byte alike (a Chinese picture
# without text is the English one; some controls share one look under two
# names): each is installed once, the others as relative links to it.
# usage: link_same_pictures.sh PNG_DIR
set -eu
cd "$1"
find . -type f -name '*.png' | LC_ALL=C sort | xargs -r md5sum | LC_ALL=C sort -s -k1,1 |
while read -r sum file; do
    file=${file#./}
    if [ "$sum" != "${last_sum:-}" ]; then
        last_sum=$sum kept=$file
        continue
    fi
    # The shortest way from the link's folder, as packages want links.
    ln -sf "$(realpath -m --relative-to="$(dirname "$file")" "$kept")" "$file"
done
