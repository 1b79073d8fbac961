#!/usr/bin/env bash
# The company log's benchmark on a private PostgreSQL server of its own, stopped at exit.
# Usage: bench/company.sh [BUILD]   (build/ by default)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
source scripts/postgres-server.sh
kvr_start_postgres >/dev/null
export KVR_BENCH_DATABASE=kvr_company_bench
psql -q "$KVR_TEST_POSTGRES" -c "CREATE DATABASE $KVR_BENCH_DATABASE"
"$build/bench/company_bench"
