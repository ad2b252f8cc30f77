# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the cluster tests: a private data folder, a varied batch of photos,
# and the comparison of two output folders.

# A tool or privilege the test cannot do without: in CI the test must not pass
# by doing nothing, elsewhere it is skipped with the reason.
unavailable() {
    if [ -n "${CI:-}" ] && [ "${CI:-}" != false ] && [ "${CI:-}" != 0 ]; then
        echo "FAILED: cannot run here: $*" >&2
        exit 1
    fi
    echo "skipped: $*"
    exit 77
}

need_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || unavailable "no $tool (scripts/setup installs it)"
    done
}

# Run logs go to the data folder; keep them, and parallel's notes, out of the
# user's home. Dates and names must not depend on the machine's zone or language.
private_environment() {
    local work=$1
    mkdir -p "$work/home" "$work/config"
    export HOME="$work/home" XDG_CONFIG_HOME="$work/config" TZ=UTC LC_ALL=C.UTF-8
    unset LANG LANGUAGE
}

# make_photos DIR: 40 photos that take every road a batch decides between:
# the date from EXIF, from the file name or from the file's time; equal names
# in two folders (numbered outputs); upright and turned; odd sizes, grey,
# progressive and each chroma subsampling.
make_photos() {
    local dir=$1 i w h sampling extra name folder size
    local -a exif=()
    mkdir -p "$dir/a" "$dir/b"
    local sizes=(320x240 240x320 333x251 200x200 97x131 480x270)
    local samplings=(4:2:0 4:2:2 4:4:4 4:1:1)
    local colours=(red-navy gold-darkgreen white-black orchid-teal skyblue-maroon)
    for i in $(seq 0 39); do
        size=${sizes[i % ${#sizes[@]}]}
        sampling=${samplings[i % ${#samplings[@]}]}
        extra=()
        [ $((i % 7)) = 3 ] && extra+=(-colorspace Gray)
        [ $((i % 5)) = 2 ] && extra+=(-interlace JPEG)
        folder=a
        [ $((i % 2)) = 1 ] && folder=b
        case $((i % 4)) in
        0 | 1) name=$(printf 'IMG_%04d.jpg' $((i / 2))) ;;                       # a/ and b/ share it
        2) name=$(printf 'IMG_2019%02d%02d_1%05d.jpg' $((i % 12 + 1)) $((i % 28 + 1)) "$i") ;;
        3) name=$(printf 'scan %02d.jpg' "$i") ;;
        esac
        convert -size "$size" "gradient:${colours[i % ${#colours[@]}]}" -swirl $((i * 9)) \
            -sampling-factor "$sampling" -quality $((70 + i % 30)) "${extra[@]}" "$dir/$folder/$name"
        touch -d "2020-0$((i % 9 + 1))-1$((i % 10)) 1$((i % 10)):2$((i % 10)):3$((i % 10))" "$dir/$folder/$name"
        # Half get EXIF: a date taken, a camera, and an orientation.
        if [ $((i % 4)) != 3 ] && [ $((i % 3)) != 0 ]; then
            exif+=(-P -overwrite_original "-DateTimeOriginal=2021:$(printf %02d $((i % 12 + 1))):0$((i % 9 + 1)) 0$((i % 10)):1$((i % 6)):4$((i % 10))"
                "-Make=Maker$((i % 3))" "-Orientation#=$((i % 8 + 1))" "$dir/$folder/$name" -execute)
        fi
    done
    # One exiftool for all: it starts slowly. -P keeps the times set above.
    exiftool -q "${exif[@]}" >/dev/null
}

# A folder's own time is when a run made it, so only its name and mode count.
listing() {
    (cd "$1" && find . -mindepth 1 \( -type d -printf '%P/ %m\n' \) -o -printf '%P %y %s %m %Ts\n' | LC_ALL=C sort)
}

# same_outputs EXPECTED ACTUAL: the same names, bytes, permissions and dates.
same_outputs() {
    local expected=$1 actual=$2
    if ! diff <(listing "$expected") <(listing "$actual"); then
        echo "FAILED: the names in $actual differ from one run's (< one run, > the shards)" >&2
        return 1
    fi
    if ! diff -r "$expected" "$actual"; then
        echo "FAILED: the files in $actual differ from one run's" >&2
        return 1
    fi
}
