#!/usr/bin/env bash
# Reads result pages of 5,000 and 20,000 title links through the live embedded browser and
# compares the page readers with the engine's own script on the same page (see README.md).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${ZORV_BUILD_DIR:-$here/build}"
cmake --build "$build" --target zorv-bench-parse -j "${ZORV_JOBS:-2}" >/dev/null
exec "$build/bench/zorv-bench-parse" --sizes "${ZORV_BENCH_SIZES:-5000,20000}" \
  --runs "${ZORV_BENCH_ROUNDS:-5}" "$@"
