#!/usr/bin/env bash
# The files tarvolk-host render writes, checked from outside:
#   render_files.sh TOOL SCENE DIR jobs   a range rendered by one process and
#                                         by three gives the same bytes
#   render_files.sh TOOL SCENE DIR keeps  a write that fails (here the file
#                                         size limit) leaves the previous
#                                         file whole and nothing beside it
set -euo pipefail
tool=$1 scene=$2 dir=$3
rm -rf "$dir"
mkdir -p "$dir/one" "$dir/three"
case $4 in
  jobs)
    "$tool" render "$scene" --frames 0..3 --downsample 4 --jobs 1 -o "$dir/one/f.png" >/dev/null
    "$tool" render "$scene" --frames 0..3 --downsample 4 --jobs 3 -o "$dir/three/f.png" >/dev/null
    [ "$(ls "$dir/three" | wc -l)" = 4 ]
    for f in "$dir"/one/*.png; do cmp "$f" "$dir/three/${f##*/}"; done
    ;;
  keeps)
    "$tool" render "$scene" --downsample 4 -o "$dir/f.png" >/dev/null
    before=$(cksum < "$dir/f.png")
    status=0
    (ulimit -f 4 && exec "$tool" render "$scene" -o "$dir/f.png") 2> "$dir/error.txt" || status=$?
    # One message, the tool's own: no line of the PNG library's.
    grep -q "^tarvolk-host render: .*/f\.png: File too large$" "$dir/error.txt"
    [ "$(wc -l < "$dir/error.txt")" = 1 ]
    [ "$status" = 1 ] && [ "$(cksum < "$dir/f.png")" = "$before" ]
    [ "$(ls "$dir")" = "$(printf 'error.txt\nf.png\none\nthree')" ]
    ;;
esac
