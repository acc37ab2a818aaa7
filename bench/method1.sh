#!/usr/bin/env bash
# Method-1 transfer against "curl -o": one file (1 GiB unless ZORV_BENCH_BYTES says otherwise)
# served by an nginx of its own on a free port of 127.0.0.1, fetched by both in turns.
#   bench/method1.sh            (after ./dev build; ZORV_BUILD_DIR names another build folder)
# ZORV_BENCH_OUT names the folder the copies go to (default: beside the served file; on a RAM
# disk such as /dev/shm the figures vary less with the disk's write-back).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=lib/nginx.sh
. "$here/bench/lib/nginx.sh"
build="${ZORV_BUILD_DIR:-$here/build}"
bench="$build/bench/zorv-bench-method1"
bytes="${ZORV_BENCH_BYTES:-1073741824}"
rounds="${ZORV_BENCH_ROUNDS:-3}"

[ -x "$bench" ] || { echo "method1.sh: build first ($bench is missing)" >&2; exit 1; }
command -v nginx >/dev/null || { echo "method1.sh: nginx is not installed (nginx-light)" >&2; exit 1; }
command -v curl >/dev/null || { echo "method1.sh: curl is not installed" >&2; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/zorv-bench.XXXXXX")"
out=""
cleanup() {
  bench_stop_nginx
  [ -n "$out" ] && rm -rf "$out"
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/www" "$work/out"
echo "preparing a file of $bytes bytes ..."
head -c "$bytes" /dev/urandom > "$work/www/big.bin"
cat "$work/www/big.bin" > /dev/null # into the page cache, for both clients alike
bench_start_nginx "$work" 1

echo "nginx (PID $nginx_pid) on 127.0.0.1:$nginx_port; $rounds rounds"
out="${ZORV_BENCH_OUT:-$work/out}"
out="$(mkdir -p "$out" && mktemp -d "$out/zorv-bench-out.XXXXXX")"
echo "copies go to $out"
"$bench" --url "http://127.0.0.1:$nginx_port/big.bin" --folder "$out" --rounds "$rounds"
