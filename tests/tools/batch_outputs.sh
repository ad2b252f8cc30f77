#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the batch on every test photo with a few designs and keeps what it writes,
# so two builds can be compared byte for byte: batch_outputs.sh CLI OUTROOT, then
# `cmp` / `diff -r` the two roots. The printed summary is kept with the output
# folder replaced by OUT, so it compares too.
set -eu
cli=$1
root=$2
here=$(cd "$(dirname "$0")/../data/photos" && pwd)
photos=$(find "$here" -type f | LC_ALL=C sort)

run() {
    design=$1
    shift
    out="$root/$design/out"
    rm -rf "$root/$design"
    mkdir -p "$out"
    # shellcheck disable=SC2086
    set +e
    "$cli" stamp "$@" --out "$out" $photos >"$root/$design/stdout.txt" 2>"$root/$design/stderr.txt"
    echo "exit $?" >>"$root/$design/stdout.txt"
    set -e
    sed -i "s|$out|OUT|g; s|$here|PHOTOS|g" "$root/$design/stdout.txt" "$root/$design/stderr.txt"
}

run default
run facts --caption '[PHOTO_DATE] [Make] [Model] [ETime] [GPSPos]' --shadow --outline --place br
run dated --rename '%y\%m\%o'
run renamed --no-stamp --rename '%o_%n3'
run quality --quality 75 --postfix _q --jobs 1 --bold --bg '#203040' --place tl
run kept --keep-quality --caption '[PHOTO_DATE] [Model]'
run film --look 'Film date'
run facts-look --look 'Camera facts' --keep-quality

# The preview of a few photos as a PNG, and what it prints.
mkdir -p "$root/preview"
for p in orientation/portrait_6.jpg orientation/landscape_3.jpg makers/Canon.jpg gps/DSCN0010.jpg \
    invalid/corrupted.jpg invalid/image01551.jpg structure/no_exif.jpg; do
    name=$(echo "$p" | tr / _)
    set +e
    "$cli" preview --caption '[PHOTO_DATE] [Make]' --area 400x300 --out "$root/preview/$name.png" "$here/$p" \
        >"$root/preview/$name.txt" 2>&1
    echo "exit $?" >>"$root/preview/$name.txt"
    set -e
    sed -i "s|$root/preview|OUT|g; s|$here|PHOTOS|g" "$root/preview/$name.txt"
done
