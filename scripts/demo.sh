#!/usr/bin/env bash
# Sets up what is missing, builds, starts a private database server with demo data, writes a
# station configuration for it and runs the station on this display. The server stops when
# the station closes. Data lives in .demo/ (override with HORALIA_DEMO_DIR); pass --reset to
# load the demo data afresh. Further arguments go to the station (e.g. --screenshot FILE
# --demo-punch CODE for a headless check, --office for the maintenance menu).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
demo=${HORALIA_DEMO_DIR:-$root/.demo}
reset=
if [ "${1:-}" = "--reset" ]; then
  reset=1
  shift
fi

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

port=$("$root/scripts/dbserver.sh" start "$demo/db")
trap '"$root/scripts/dbserver.sh" stop "$demo/db"' EXIT
client=(mariadb --no-defaults --socket="$demo/db/mysqld.sock" -uroot)

if [ -n "$reset" ] || ! "${client[@]}" -e 'use horalia' 2>/dev/null; then
  echo "Cargando la base de datos de demostración..."
  "${client[@]}" -e 'drop database if exists horalia; create database horalia'
  "${client[@]}" horalia <"$root/db/schema.sql"
  "${client[@]}" horalia <"$root/db/demo.sql"
fi

# The station's five lines: host, user, password, database, work centre.
mkdir -p "$demo/home/imagenes" "$demo/home/informes"
printf '127.0.0.1\nroot\n\nhoralia\nALMACEN\n' >"$demo/config.ini"
cp -r "$root/informes/." "$demo/home/informes/" 2>/dev/null || true

run=("$root/build/app/horalia" --config "$demo/config.ini" --home "$demo/home" "$@")
export HORALIA_DB_PORT=$port
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  "${run[@]}"
else
  echo "No hay pantalla (DISPLAY): el puesto se ejecuta en una pantalla virtual (Xvfb)."
  xvfb-run -a -s "-screen 0 1280x1024x24" "${run[@]}"
fi
