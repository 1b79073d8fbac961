#!/usr/bin/env bash
# A private PostgreSQL server for the company log's tests and bench: its own data folder and
# Unix socket under a temporary folder, a port of its own, no TCP, run as an unprivileged user
# when called as root (PostgreSQL refuses to run as root). Sourced by test.sh and the bench.
#
#   kvr_start_postgres   starts it and exports KVR_TEST_POSTGRES, the URL of its maintenance
#                        database for an administrator (each test program makes its own)
#   kvr_stop_postgres    stops it and removes its folder (run at exit, whatever happens)
kvr_postgres_bin=/usr/lib/postgresql/15/bin
kvr_postgres_dir=

kvr_stop_postgres() {
  [ -n "$kvr_postgres_dir" ] || return 0
  if [ -f "$kvr_postgres_dir/data/postmaster.pid" ]; then
    kvr_as_postgres_user "$kvr_postgres_bin/pg_ctl" -D "$kvr_postgres_dir/data" -m immediate \
      -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$kvr_postgres_dir"
  kvr_postgres_dir=
  unset KVR_TEST_POSTGRES
}

kvr_as_postgres_user() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u nobody -- "$@"; else "$@"; fi
}

kvr_start_postgres() {
  kvr_postgres_dir=$(mktemp -d "${TMPDIR:-/tmp}/kvr-postgres.XXXXXX")
  trap kvr_stop_postgres EXIT
  trap 'kvr_stop_postgres; exit 130' INT
  trap 'kvr_stop_postgres; exit 143' TERM
  [ "$(id -u)" -eq 0 ] && chown nobody "$kvr_postgres_dir"
  # A port of its own: the socket's name carries it, so two servers never meet even in one
  # folder; one no other server of this machine listens on.
  local port
  for port in $(shuf -i 20000-59999 -n 20); do
    [ -e "/var/run/postgresql/.s.PGSQL.$port" ] || ss -Hln "sport = :$port" 2>/dev/null | grep -q . ||
      break
  done
  kvr_as_postgres_user "$kvr_postgres_bin/initdb" -D "$kvr_postgres_dir/data" -U kvr_admin \
    -A trust --no-sync -E UTF8 >"$kvr_postgres_dir/initdb.log" 2>&1 ||
    { cat "$kvr_postgres_dir/initdb.log" >&2; return 1; }
  kvr_as_postgres_user "$kvr_postgres_bin/pg_ctl" -D "$kvr_postgres_dir/data" \
    -l "$kvr_postgres_dir/server.log" -w -t 30 \
    -o "-k $kvr_postgres_dir -p $port -c listen_addresses= -c fsync=off" start >/dev/null ||
    { cat "$kvr_postgres_dir/server.log" >&2; return 1; }
  export KVR_TEST_POSTGRES="postgresql://kvr_admin@/postgres?host=$kvr_postgres_dir&port=$port"
  echo "PostgreSQL for the tests: $KVR_TEST_POSTGRES"
}
