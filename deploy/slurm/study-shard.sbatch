#!/usr/bin/env bash
# One shard of an event study, as a task of a Slurm array job: task I of the array runs shard I of
# STUDY_SHARDS and writes STUDY_OUTDIR/shard-I.partial. The script's arguments are the study's
# (without --details, --report and --format, which go to the merge). scripts/slurm-study submits it;
# by hand:
#   sbatch --array=0-15 --export=ALL,STOCKDYN=/shared/bin/stockdyn,STUDY_SHARDS=16,STUDY_OUTDIR=/shared/out \
#     deploy/slurm/study-shard.sbatch --universe /shared/universe.csv --dir /shared/Exe
# The program, the program directory and the price files must be on storage every node sees.
#SBATCH --job-name=stockdyn-shard
#SBATCH --requeue
#SBATCH --cpus-per-task=1
set -euo pipefail
: "${STUDY_SHARDS:?the number of shards}" "${STUDY_OUTDIR:?the folder of the partial files}"
: "${SLURM_ARRAY_TASK_ID:?run as a task of an array job (sbatch --array=0-N)}"
exec "${STOCKDYN:-stockdyn}" study "$@" --quiet --threads "${SLURM_CPUS_PER_TASK:-1}" \
  --shard "$SLURM_ARRAY_TASK_ID/$STUDY_SHARDS" --partial "$STUDY_OUTDIR/shard-$SLURM_ARRAY_TASK_ID.partial"
