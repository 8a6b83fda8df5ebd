#!/usr/bin/env bash
# The merge of an event study's shards, submitted with --dependency=afterok:ARRAY_JOB so that it
# starts only once every shard has written its partial file. Writes STUDY_OUTDIR/study.json (or
# study.csv, study.txt with --format); its arguments are those of `stockdyn study merge` other
# than the partial files (--details, --report, --format). The merge refuses, exit 1, while a shard
# is missing.
#SBATCH --job-name=stockdyn-merge
#SBATCH --cpus-per-task=1
set -euo pipefail
: "${STUDY_SHARDS:?the number of shards}" "${STUDY_OUTDIR:?the folder of the partial files}"
format=json
args=("$@")
for ((i = 0; i < ${#args[@]}; i++)); do
  case "${args[i]}" in
    --format) format="${args[i + 1]:-json}" ;;
    --format=*) format="${args[i]#--format=}" ;;
  esac
done
case "$format" in text) ext=txt ;; *) ext="$format" ;; esac
parts=()
for ((i = 0; i < STUDY_SHARDS; i++)); do parts+=("$STUDY_OUTDIR/shard-$i.partial"); done
# The document appears whole or not at all.
part="$STUDY_OUTDIR/.study.$ext.part"
if ! "${STOCKDYN:-stockdyn}" study merge "${parts[@]}" "$@" > "$part"; then
  rm -f "$part"
  exit 1
fi
mv "$part" "$STUDY_OUTDIR/study.$ext"
