#!/usr/bin/env bash
# Starts and stops the database servers the library's tests use: one
# PostgreSQL 15 and one MariaDB server, each in a fresh temporary directory,
# reachable only through Unix sockets there (no TCP port is opened), each
# running as an unprivileged user.
#
#   db-servers.sh start STATE      start both; write STATE/env (see below)
#   db-servers.sh stop STATE       stop both and remove their directories
#   db-servers.sh stop-pg STATE    stop / start PostgreSQL alone (the tests
#   db-servers.sh start-pg STATE   use it to show a server going away)
#
# STATE/env holds shell assignments the tests read:
#   PG_SOCKET_DIR, PG_PORT, PG_USER, PG_DATABASE
#   MARIADB_SOCKET, MARIADB_USER, MARIADB_PASSWORD, MARIADB_DATABASE
set -euo pipefail

command=${1:?usage: db-servers.sh start|stop|stop-pg|start-pg STATE}
state=${2:?usage: db-servers.sh start|stop|stop-pg|start-pg STATE}
mkdir -p "$state"
state=$(cd "$state" && pwd)

pg_bin=/usr/lib/postgresql/15/bin
pg_port=5432
db_user=tavrix
db_name=tavrix
maria_password=tavrix

# As root the servers run as their own system users; otherwise as the caller.
as_user() {
  local user=$1
  shift
  if [[ $(id -u) -eq 0 ]]; then
    runuser -u "$user" -- "$@"
  else
    "$@"
  fi
}

pg_user_name() { if [[ $(id -u) -eq 0 ]]; then echo postgres; else id -un; fi; }
maria_user_name() { if [[ $(id -u) -eq 0 ]]; then echo mysql; else id -un; fi; }

start_pg() {
  local root=$1
  as_user "$(pg_user_name)" "$pg_bin/pg_ctl" -D "$root/pg/data" -l "$root/pg/server.log" -w -t 60 \
    -o "-k $root/pg -c listen_addresses= -p $pg_port -c fsync=off" start >/dev/null
}

stop_pg() {
  local root=$1
  if [[ -f $root/pg/data/postmaster.pid ]]; then
    as_user "$(pg_user_name)" "$pg_bin/pg_ctl" -D "$root/pg/data" -m fast -w -t 60 stop >/dev/null || true
  fi
}

wait_for_maria() {
  local root=$1 pid=$2
  for _ in $(seq 1 300); do
    if mariadb-admin --socket="$root/maria/mysqld.sock" -u root ping >/dev/null 2>&1; then return 0; fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
  done
  echo "db-servers: MariaDB did not start; its log:" >&2
  cat "$root/maria/server.log" >&2 || true
  return 1
}

start() {
  if [[ -f $state/root ]]; then stop; fi
  local root
  root=$(mktemp -d /tmp/hvdb.XXXXXX)
  chmod 755 "$root"
  echo "$root" >"$state/root"

  # PostgreSQL: a new cluster, trust authentication on its socket only.
  mkdir -p "$root/pg"
  chown "$(pg_user_name)" "$root/pg"
  as_user "$(pg_user_name)" "$pg_bin/initdb" -D "$root/pg/data" -U "$db_user" -A trust -E UTF8 \
    --locale=C.UTF-8 >"$root/pg/initdb.log" 2>&1 || {
    cat "$root/pg/initdb.log" >&2
    return 1
  }
  start_pg "$root"
  as_user "$(pg_user_name)" "$pg_bin/createdb" -h "$root/pg" -p "$pg_port" -U "$db_user" "$db_name"

  # MariaDB: a new data directory, no networking, a user with a password.
  mkdir -p "$root/maria"
  chown "$(maria_user_name)" "$root/maria"
  mariadb-install-db --no-defaults --user="$(maria_user_name)" --datadir="$root/maria/data" \
    --auth-root-authentication-method=socket --skip-test-db >"$root/maria/install.log" 2>&1 || {
    cat "$root/maria/install.log" >&2
    return 1
  }
  as_user "$(maria_user_name)" mariadbd --no-defaults --datadir="$root/maria/data" \
    --socket="$root/maria/mysqld.sock" --pid-file="$root/maria/mysqld.pid" --skip-networking \
    --log-error="$root/maria/server.log" --innodb-buffer-pool-size=32M --innodb-log-file-size=16M \
    --character-set-server=utf8mb4 --collation-server=utf8mb4_general_ci </dev/null >/dev/null 2>&1 &
  wait_for_maria "$root" $!
  mariadb --socket="$root/maria/mysqld.sock" -u root <<SQL
CREATE DATABASE $db_name;
CREATE USER '$db_user'@'localhost' IDENTIFIED BY '$maria_password';
GRANT ALL ON *.* TO '$db_user'@'localhost';
SQL

  cat >"$state/env" <<ENV
PG_SOCKET_DIR=$root/pg
PG_PORT=$pg_port
PG_USER=$db_user
PG_DATABASE=$db_name
MARIADB_SOCKET=$root/maria/mysqld.sock
MARIADB_USER=$db_user
MARIADB_PASSWORD=$maria_password
MARIADB_DATABASE=$db_name
ENV
  echo "db-servers: PostgreSQL and MariaDB running under $root"
}

stop() {
  [[ -f $state/root ]] || return 0
  local root
  root=$(cat "$state/root")
  stop_pg "$root"
  if [[ -f $root/maria/mysqld.pid ]]; then
    local pid
    pid=$(cat "$root/maria/mysqld.pid")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 1 150); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.2
    done
    kill -9 "$pid" 2>/dev/null || true
  fi
  case $root in /tmp/hvdb.*) rm -rf "$root" ;; esac
  rm -f "$state/root" "$state/env"
  echo "db-servers: stopped"
}

case $command in
  start) start ;;
  stop) stop ;;
  stop-pg) stop_pg "$(cat "$state/root")" ;;
  start-pg) start_pg "$(cat "$state/root")" ;;
  *)
    echo "usage: db-servers.sh start|stop|stop-pg|start-pg STATE" >&2
    exit 2
    ;;
esac
