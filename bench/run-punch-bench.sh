#!/usr/bin/env bash
# The punch benchmark from scratch: a private server in /tmp/horalia-bench, a database made
# from db/schema.sql and filled by generate-punch-data.sql (timed), then punch_bench, then
# the server is stopped again.
#   bench/run-punch-bench.sh [punch_bench arguments]
# BUILD_DIR is where punch_bench was built (default build/; the script builds it there).
# HORALIA_BENCH_PRIORITY=1 runs the server and punch_bench at real-time priority while the
# punches are timed: on a machine shared with builds and test runs, every round trip of a
# punch otherwise waits for a free core, and the figures measure the other jobs instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/support/benchserver.sh"
build=${BUILD_DIR:-$root/build}
dir=/tmp/horalia-bench
db=horalia_bench

cmake --build "$build" --target punch_bench >/dev/null

# A bulk load of two million rows wants a buffer pool that holds the table and its indexes
# and a redo log that does not force a checkpoint every few seconds.
export HORALIA_DB_BUFFER_POOL=${HORALIA_DB_BUFFER_POOL:-1G}
export HORALIA_DB_LOG_FILE=${HORALIA_DB_LOG_FILE:-512M}
port=
bench_server_start
bench_fresh_database $db

echo "generating: 5,000 workers, 2,000,000 punch rows over ten years, 300 open rows, time sheets"
start=$(date +%s.%N)
"${client[@]}" --database=$db <"$root/bench/generate-punch-data.sql" >/dev/null
end=$(date +%s.%N)
printf 'generator: %.1f s\n' "$(echo "$end - $start" | bc)"

bench_config $db
priority=()
if [ "${HORALIA_BENCH_PRIORITY:-0}" = 1 ]; then
  chrt --all-tasks --fifo --pid 10 "$(cat "$dir/mysqld.pid")"
  priority=(chrt --fifo 10)
  echo "server and punch_bench at real-time priority"
fi
HORALIA_DB_PORT=$port "${priority[@]}" "$build/bench/punch_bench" --config "$dir/config.ini" "$@"
