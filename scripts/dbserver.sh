#!/usr/bin/env bash
# A private MariaDB server for tests and the demo: its own data folder, socket and port on
# 127.0.0.1, run as a plain process (never the system service).
#   dbserver.sh start DIR [PORT]   start (initialising DIR/data on first use); prints the port
#   dbserver.sh stop DIR           stop it and wait until it is gone
# DIR/port holds the port it listens on; DIR/mysqld.sock its socket.
# HORALIA_DB_BUFFER_POOL and HORALIA_DB_LOG_FILE (sizes such as 1G) replace the InnoDB buffer
# pool and redo log sizes; only benchmarks that bulk-load millions of rows need them.
set -euo pipefail

cmd=${1:?usage: dbserver.sh start|stop DIR [PORT]}
dir=${2:?usage: dbserver.sh start|stop DIR [PORT]}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
sock="$dir/mysqld.sock"
pidfile="$dir/mysqld.pid"

port_free() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

ready() {
  # Another server may hold the port: only ours answers with our socket.
  local s
  s=$(mariadb --no-defaults --protocol=tcp -h127.0.0.1 -P"$1" -uroot -N -e 'select @@socket' 2>/dev/null) || return 1
  [ "$s" = "$sock" ]
}

stop() {
  if [ -f "$pidfile" ]; then
    local pid
    pid=$(cat "$pidfile")
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 1 300); do
      [ -f "$pidfile" ] || break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
  fi
  rm -f "$pidfile"
}

case "$cmd" in
start)
  if [ -f "$dir/port" ] && ready "$(cat "$dir/port")"; then
    cat "$dir/port"
    exit 0
  fi
  stop
  if [ ! -d "$dir/data/mysql" ]; then
    mariadb-install-db --no-defaults --user="$(id -un)" --datadir="$dir/data" \
      --auth-root-authentication-method=normal --skip-test-db >"$dir/install.log" 2>&1 ||
      { cat "$dir/install.log" >&2; exit 1; }
  fi
  mkdir -p "$dir/tmp"
  port=${3:-}
  if [ -z "$port" ]; then
    port=3390
    while ! port_free "$port"; do port=$((port + 1)); done
  fi
  setsid nohup mariadbd --no-defaults --user="$(id -un)" --datadir="$dir/data" --socket="$sock" \
    --pid-file="$pidfile" --port="$port" --bind-address=127.0.0.1 \
    --log-error="$dir/error.log" --tmpdir="$dir/tmp" --innodb-buffer-pool-size="${HORALIA_DB_BUFFER_POOL:-256M}" \
    --innodb-log-file-size="${HORALIA_DB_LOG_FILE:-64M}" \
    --character-set-server=utf8mb4 --collation-server=utf8mb4_unicode_ci >/dev/null 2>&1 &
  for _ in $(seq 1 300); do
    if ready "$port"; then
      echo "$port" >"$dir/port"
      echo "$port"
      exit 0
    fi
    sleep 0.1
  done
  echo "the database server did not start; see $dir/error.log" >&2
  tail -20 "$dir/error.log" >&2 || true
  exit 1
  ;;
stop)
  stop
  ;;
*)
  echo "usage: dbserver.sh start|stop DIR [PORT]" >&2
  exit 2
  ;;
esac
