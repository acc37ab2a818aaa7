#!/usr/bin/env bash
# The road for 200 articles of the sample site through the program's windows (all result pages
# added, analysed, downloaded with method 1 at interval 0) against curl fetching the same PDFs,
# and the analysis of 10,000 entries against the same analysis without a window (README.md).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${ZORV_BUILD_DIR:-$here/build}"
command -v curl >/dev/null || { echo "road.sh: curl is not installed" >&2; exit 1; }
cmake --build "$build" --target zorv-bench-road -j "${ZORV_JOBS:-2}" >/dev/null
exec "$build/bench/zorv-bench-road" --articles "${ZORV_BENCH_ARTICLES:-200}" \
  --tick-ms "${ZORV_BENCH_TICK_MS:-1000}" --entries "${ZORV_BENCH_ENTRIES:-10000}" "$@"
