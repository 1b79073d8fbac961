#!/usr/bin/env bash
# A company log benchmark on a private PostgreSQL server of its own, stopped at exit:
# company_bench (100,000 entries pushed and pulled, the default) or company_handover_bench
# (a handover of 100 panels with the company log read first, against the local log).
# Usage: bench/company.sh [BUILD [PROGRAM]]   (build/ and company_bench by default)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
program=${2:-company_bench}
source scripts/postgres-server.sh
kvr_start_postgres >/dev/null
export KVR_BENCH_DATABASE=kvr_$program
psql -q "$KVR_TEST_POSTGRES" -c "CREATE DATABASE $KVR_BENCH_DATABASE"
"$build/bench/$program"
