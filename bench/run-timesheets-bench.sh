#!/usr/bin/env bash
# The time-records window's benchmark: a private server in /tmp/horalia-tsbench (port
# HORALIA_TSBENCH_PORT, default 3398), a database made from db/schema.sql and filled by the
# punch benchmark's generator (about 1,000,000 time sheet rows; made once and kept, unless
# --regenerate), then timesheets_bench, each measurement in a process of its own so that its
# peak memory is its own. The server is stopped at the end.
#   bench/run-timesheets-bench.sh [--regenerate] [--repeat N]
# BUILD_DIR is where timesheets_bench is built (default build/; the script builds it there).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/support/benchserver.sh"
build=${BUILD_DIR:-$root/build}
dir=/tmp/horalia-tsbench
db=horalia_tsbench
port=${HORALIA_TSBENCH_PORT:-3398}

repeat=20
bench_options "$@"

cmake --build "$build" --target timesheets_bench >/dev/null

# The generator's bulk load wants a buffer pool that holds the table and its indexes.
export HORALIA_DB_BUFFER_POOL=${HORALIA_DB_BUFFER_POOL:-1G}
export HORALIA_DB_LOG_FILE=${HORALIA_DB_LOG_FILE:-512M}
bench_server_start
rows=$("${client[@]}" -N -e "select count(*) from $db.ticadoscompleto" 2>/dev/null || echo 0)
if [ "$regenerate" = 1 ] || [ "$rows" -lt 900000 ]; then
  bench_fresh_database $db
  echo "generating: 5,000 workers, 2,000,000 punch rows, about 1,000,000 time sheet rows"
  start=$(date +%s.%N)
  "${client[@]}" --database=$db <"$root/bench/generate-punch-data.sql" >/dev/null
  end=$(date +%s.%N)
  printf 'generator: %.1f s\n' "$(echo "$end - $start" | bc)"
fi

# A station's server has long had the table and its indexes in memory; a server just started
# has not. Reading them once keeps the first measurements from timing the disk instead.
"${client[@]}" --database=$db -e "
  select count(*) from ticadoscompleto force index (primary) where num_horas >= 0 or num_horas is null;
  select count(*) from ticadoscompleto force index (idx_ticadoscompleto_fecha) where fecha > '2000-01-01';
  select count(*) from ticadoscompleto force index (uk_ticadoscompleto_jornada) where idt > 0;
  select count(*) from ticadoscompleto_log;
  select count(*) from trabajadores where nombre like '%A%';" >/dev/null

bench_config $db
export HORALIA_DB_PORT=$port QT_QPA_PLATFORM=offscreen
for measure in first refresh keystroke bulk unnarrowed; do
  "$build/bench/timesheets_bench" --config "$dir/config.ini" --measure "$measure" --repeat "$repeat"
done
