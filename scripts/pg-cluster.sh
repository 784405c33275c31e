#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the tests.
#   scripts/pg-cluster.sh start        starts one in a new temporary folder and prints the folder
#   scripts/pg-cluster.sh url FOLDER   the URL of its database "postgres", through its socket
#   scripts/pg-cluster.sh restart FOLDER   a fast restart (sessions ended, same port and data)
#   scripts/pg-cluster.sh stop FOLDER  stops it and removes the folder
# The server runs as an unprivileged account (vemora-pg, created when run as root; else the
# current user), listens on a Unix socket in the folder and on a free port of 127.0.0.1 only.
# The socket trusts its users; TCP asks for the password kept in FOLDER/pgpass.
set -euo pipefail

bin="$(pg_config --bindir 2>/dev/null || true)"
[ -x "$bin/initdb" ] || bin="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n1)"
[ -x "$bin/initdb" ] || { echo "pg-cluster: PostgreSQL's initdb was not found" >&2; exit 1; }
account=vemora-pg
superuser=vemora

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u "$account" -- "$@"
  else
    "$@"
  fi
}

port_of() { cat "$1/port"; }

start() {
  if [ "$(id -u)" -eq 0 ] && ! id "$account" >/dev/null 2>&1; then
    useradd --system --no-create-home --shell /usr/sbin/nologin "$account"
  fi
  local folder
  folder="$(mktemp -d "${TMPDIR:-/tmp}/vemora-pg.XXXXXX")"
  [ "$(id -u)" -eq 0 ] && chown "$account" "$folder"
  # Never leave a half-made cluster behind.
  trap 'stop "$folder" >/dev/null 2>&1 || true' ERR
  head -c 18 /dev/urandom | base64 | tr -d '/+=' >"$folder/password"
  as_owner "$bin/initdb" --pgdata="$folder/data" --username="$superuser" \
    --pwfile="$folder/password" --auth-local=trust --auth-host=scram-sha-256 \
    --encoding=UTF8 --locale=C.UTF-8 >"$folder/initdb.log"
  local port started=""
  for _ in $(seq 1 20); do
    port=$((20000 + RANDOM % 30000))
    if as_owner "$bin/pg_ctl" --pgdata="$folder/data" --log="$folder/server.log" --wait \
      --options="-c listen_addresses=127.0.0.1 -c port=$port -c unix_socket_directories=$folder" \
      start >/dev/null 2>&1; then
      started=1
      break
    fi
  done
  [ -n "$started" ] || { echo "pg-cluster: the server did not start; see $folder/server.log" >&2; exit 1; }
  echo "$port" >"$folder/port"
  echo "127.0.0.1:$port:*:$superuser:$(cat "$folder/password")" >"$folder/pgpass"
  chmod 600 "$folder/pgpass"
  trap - ERR
  echo "$folder"
}

url() {
  echo "postgresql://$superuser@localhost:$(port_of "$1")/postgres?host=$1"
}

restart() {
  local folder="$1"
  case "$folder" in */vemora-pg.*) ;; *) echo "pg-cluster: $folder is not a cluster folder" >&2; exit 1 ;; esac
  as_owner "$bin/pg_ctl" --pgdata="$folder/data" --log="$folder/server.log" --mode=fast --wait \
    restart >/dev/null
}

stop() {
  local folder="$1"
  case "$folder" in */vemora-pg.*) ;; *) echo "pg-cluster: $folder is not a cluster folder" >&2; exit 1 ;; esac
  if [ -f "$folder/data/postmaster.pid" ]; then
    as_owner "$bin/pg_ctl" --pgdata="$folder/data" --mode=fast --wait stop >/dev/null
  fi
  rm -rf "$folder"
}

case "${1:-}" in
  start) start ;;
  url) url "${2:?folder}" ;;
  restart) restart "${2:?folder}" ;;
  stop) stop "${2:?folder}" ;;
  *) echo "usage: $0 start | url FOLDER | restart FOLDER | stop FOLDER" >&2; exit 2 ;;
esac
