#!/usr/bin/env bash
# The workbook export's benchmark: a private server in /tmp/horalia-xlsxbench (port
# HORALIA_XLSXBENCH_PORT, default 3397), a database made from db/schema.sql holding 100,000
# time sheet rows of 2,000 workers over 50 days (made once and kept, unless --regenerate), then
# libro_bench, the core function and the window each in a process of its own so that each
# peak memory is its own. The workbook goes to the same folder. The server is stopped at the end.
#   bench/run-libro-bench.sh [--regenerate] [--repeat N]
# BUILD_DIR is where libro_bench is built (default build/; the script builds it there).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/support/benchserver.sh"
build=${BUILD_DIR:-$root/build}
dir=/tmp/horalia-xlsxbench
db=horalia_xlsxbench
port=${HORALIA_XLSXBENCH_PORT:-3397}

repeat=10
bench_options "$@"

cmake --build "$build" --target libro_bench >/dev/null

bench_server_start
rows=$("${client[@]}" -N -e "select count(*) from $db.ticadoscompleto" 2>/dev/null || echo 0)
if [ "$regenerate" = 1 ] || [ "$rows" -ne 100000 ]; then
  bench_fresh_database $db
  # Written straight into the time sheets (no punches to derive them from): mornings for
  # every row, afternoons for two rows in three, a remark on one in ten; times vary by row.
  "${client[@]}" --database=$db -e "
    insert into trabajadores (ID, NIF, nombre, activo)
      select seq, lpad(seq, 8, '0'), concat('TRABAJADOR ', lpad(seq, 4, '0'), ' APELLIDO'), 1
      from seq_1_to_2000;
    insert into ticadoscompleto (ide, fecha, idt, TRABAJADOR, entradam, salidam, salidam_m,
        horasm, horasm_m, entradat, salidat, salidat_m, horast, horast_m, num_horas,
        num_horas_m, imprimir, observaciones, festivo)
      select 1, '2025-01-01' + interval ((seq - 1) div 2000) day, (seq - 1) mod 2000 + 1,
             concat('TRABAJADOR ', lpad((seq - 1) mod 2000 + 1, 4, '0'), ' APELLIDO'),
             sec_to_time(28800 + seq mod 900), sec_to_time(50400 + seq mod 1800),
             sec_to_time(50400 + seq mod 1800), 6.25, 6.25,
             if(seq mod 3 = 0, null, sec_to_time(54000 + seq mod 600)),
             if(seq mod 3 = 0, null, sec_to_time(64800 + seq mod 1200)),
             if(seq mod 3 = 0, null, sec_to_time(64800 + seq mod 1200)),
             if(seq mod 3 = 0, null, 3.5), if(seq mod 3 = 0, 0, 3.5),
             if(seq mod 3 = 0, 6.25, 9.75), if(seq mod 3 = 0, 6.25, 9.75), 0,
             if(seq mod 10 = 0, concat('Revisado el ', seq mod 28 + 1, ' por la oficina'), null),
             0
      from seq_1_to_100000;"
fi

bench_config $db
export HORALIA_DB_PORT=$port QT_QPA_PLATFORM=offscreen
for measure in core window; do
  "$build/bench/libro_bench" --config "$dir/config.ini" --home "$dir" --measure "$measure" \
    --repeat "$repeat"
done
