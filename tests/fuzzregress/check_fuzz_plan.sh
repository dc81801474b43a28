#!/usr/bin/env bash
# scripts/fuzz must work from a fresh clone: in a copy of just the files git keeps, every target
# it knows is handed only folders that exist, and at least one of them holds seeds.
set -euo pipefail
source_dir=${1:?usage: check_fuzz_plan.sh SOURCE_DIR}
copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
cd "$source_dir"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z -- scripts fuzz | xargs -0 -I{} cp --parents {} "$copy"
else
    cp -r scripts fuzz "$copy"
fi
cd "$copy"
plan=$(scripts/fuzz --plan)
echo "$plan"
bad=0
targets=0
while IFS=': ' read -r target folders; do
    targets=$((targets + 1))
    seeds=0
    for folder in $folders; do
        if [ ! -d "$folder" ]; then
            echo "FAIL: $target is handed $folder, which a fresh clone does not have"
            bad=1
            continue
        fi
        seeds=$((seeds + $(find "$folder" -type f | wc -l)))
    done
    if [ "$seeds" -eq 0 ]; then
        echo "FAIL: $target has no kept seed in a fresh clone"
        bad=1
    fi
done <<<"$plan"
[ "$targets" -gt 0 ] || { echo "FAIL: scripts/fuzz names no target"; exit 1; }
exit $bad
