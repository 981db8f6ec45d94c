# Sourced by the bench/run-*-bench.sh scripts: a private server of the benchmark's own in
# $dir on $port (free port when empty), stopped when the script ends, and `client`, the
# command-line client on its socket. Needs root, dir and port set.
bench_server_start() {
  "$root/scripts/dbserver.sh" stop "$dir"
  port=$("$root/scripts/dbserver.sh" start "$dir" ${port:+"$port"})
  trap '"$root/scripts/dbserver.sh" stop "$dir"' EXIT
  client=(mariadb --no-defaults --socket="$dir/mysqld.sock" -uroot --default-character-set=utf8mb4)
}

# Drops and creates database $1 from the schema.
bench_fresh_database() {
  "${client[@]}" -e "drop database if exists $1; create database $1"
  "${client[@]}" --database="$1" <"$root/db/schema.sql"
}

# The five-line station configuration for database $1 at work centre ALMACEN.
bench_config() {
  printf '127.0.0.1\nroot\n\n%s\nALMACEN\n' "$1" >"$dir/config.ini"
}

# [--regenerate] [--repeat N] into $regenerate and $repeat (set the default repeat first).
bench_options() {
  regenerate=0
  while [ $# -gt 0 ]; do
    case "$1" in
    --regenerate) regenerate=1 ;;
    --repeat) repeat=$2; shift ;;
    *) echo "usage: $0 [--regenerate] [--repeat N]" >&2; exit 2 ;;
    esac
    shift
  done
}
