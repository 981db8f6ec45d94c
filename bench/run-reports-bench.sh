#!/usr/bin/env bash
# The report engine's benchmark: a private server in /tmp/horalia-reportbench (port
# HORALIA_REPORTBENCH_PORT, default 3396), a database made from db/schema.sql with 20,000 time
# sheet rows (200 workers, 100 days), then report_bench over informes/controlhorario.fr3. The
# server is stopped at the end.
#   bench/run-reports-bench.sh [--repeat N]
# BUILD_DIR is where report_bench is built (default build/, the optimised build of
# scripts/build.sh; the script builds it there).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/support/benchserver.sh"
build=${BUILD_DIR:-$root/build}
dir=/tmp/horalia-reportbench
db=horalia_reportbench
port=${HORALIA_REPORTBENCH_PORT:-3396}
repeat=5
if [ "${1:-}" = "--repeat" ]; then
  repeat=$2
fi

cmake --build "$build" --target report_bench >/dev/null

bench_server_start
bench_fresh_database $db
# Time sheet rows written directly: the report reads them, how they were derived is no matter.
"${client[@]}" --database=$db -e "
  insert into ticadoscompleto (fecha, idt, TRABAJADOR, entradam, salidam, horasm, entradat,
                               salidat, horast, num_horas, observaciones)
  with recursive d(n) as (select 0 union all select n + 1 from d where n < 99),
                 w(n) as (select 1 union all select n + 1 from w where n < 200)
  select date_add('2024-01-01', interval d.n day), w.n, concat('TRABAJADOR DE PRUEBA ', w.n),
         '08:00:00', '14:00:00', 6, '15:00:00', '17:30:00', 2.5, 8.5,
         if(d.n % 10 = 0, 'Visita médica', null)
  from d, w;"

bench_config $db
export HORALIA_DB_PORT=$port QT_QPA_PLATFORM=offscreen
"$build/bench/report_bench" --config "$dir/config.ini" --template "$root/informes/controlhorario.fr3" \
  --repeat "$repeat"
