#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# parallel_test.sh CLI: GNU parallel carries out the four shards of a plan at
# once on this machine, as docs/cluster.md does over ssh; the outputs must be
# what one run writes.
set -euo pipefail
cli=$(realpath "$1")
. "$(dirname "$0")/cluster_lib.sh"

need_tools parallel convert exiftool
work=$(mktemp -d "${TMPDIR:-/tmp}/kelvra-parallel.XXXXXX")
trap 'rm -rf "$work"' EXIT
private_environment "$work"
export PATH="$(dirname "$cli"):$PATH"

make_photos "$work/in"
# Kept quality and the default names: every pair of equal names is numbered
# by the plan, whichever shard stamps the pair's second photo first. Skip is
# the rule that lets a shard run again after a node died.
design=(--keep-quality --caption '[PHOTO_DATE]' --bold --outline --place tl --existing skip)
kelvra-cli stamp "${design[@]}" --quiet --out "$work/one" "$work/in/a" "$work/in/b"
kelvra-cli plan "${design[@]}" --out "$work/sharded" "$work/in/a" "$work/in/b" >"$work/plan.json"
shards() {
    parallel --jobs 4 kelvra-cli stamp --quiet --plan "$work/plan.json" --shard {}/4 ::: 0 1 2 3
}
shards
same_outputs "$work/one" "$work/sharded"
echo "passed: 4 shards at once under GNU parallel wrote what one run writes"

# A node lost with part of its shard done: running the shards again writes
# what is missing, under the planned names, and nothing twice.
find "$work/sharded" -type f | LC_ALL=C sort | sed -n '3p;17p;30p' | xargs -d '\n' rm
shards
same_outputs "$work/one" "$work/sharded"
echo "passed: the shards run again wrote only what was missing"
