#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A Slurm array job that carries out a Kelvra plan in four shards, one per task.
# Submit it from the shared folder that holds plan.json:
#     sbatch --array=0-3 stamp-array.sh
# The 4 is the number of shards the plan is cut into, not the number of tasks
# submitted, so a shard that failed can be run again alone: sbatch --array=2 ...
#SBATCH --job-name=kelvra-stamp
#SBATCH --array=0-3
set -euo pipefail
exec kelvra-cli stamp --plan plan.json --shard "$SLURM_ARRAY_TASK_ID/4"
