#!/usr/bin/env bash
# Method-2 transfers against "aria2c -j6": six files (200 MB each unless ZORV_BENCH_SIX_BYTES
# says otherwise) served by an nginx of its own on a free port of 127.0.0.1, fetched by both in
# turns, with the event loop's largest timer delay while the six run; then one file of 1 GiB
# (ZORV_BENCH_BIG_BYTES) alone through method 2, for its peak memory.
#   bench/method2.sh            (after ./dev build; ZORV_BUILD_DIR names another build folder)
# ZORV_BENCH_OUT names the folder the copies go to (default: beside the served files; on a RAM
# disk such as /dev/shm the figures vary less with the disk's write-back).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=lib/nginx.sh
. "$here/bench/lib/nginx.sh"
build="${ZORV_BUILD_DIR:-$here/build}"
bench="$build/bench/zorv-bench-method2"
six_bytes="${ZORV_BENCH_SIX_BYTES:-209715200}"
big_bytes="${ZORV_BENCH_BIG_BYTES:-1073741824}"
rounds="${ZORV_BENCH_ROUNDS:-3}"

[ -x "$bench" ] || { echo "method2.sh: build first ($bench is missing)" >&2; exit 1; }
command -v nginx >/dev/null || { echo "method2.sh: nginx is not installed (nginx-light)" >&2; exit 1; }
command -v aria2c >/dev/null || { echo "method2.sh: aria2c is not installed (aria2)" >&2; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/zorv-bench.XXXXXX")"
out=""
cleanup() {
  bench_stop_nginx
  [ -n "$out" ] && rm -rf "$out"
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/www" "$work/out"
echo "preparing six files of $six_bytes bytes and one of $big_bytes bytes ..."
for i in 1 2 3 4 5 6; do
  head -c "$six_bytes" /dev/urandom > "$work/www/six-$i.bin"
done
head -c "$big_bytes" /dev/urandom > "$work/www/big.bin"
cat "$work"/www/*.bin > /dev/null # into the page cache, for both clients alike

bench_start_nginx "$work" 2

echo "nginx (PID $nginx_pid) on 127.0.0.1:$nginx_port; $rounds rounds"
out="${ZORV_BENCH_OUT:-$work/out}"
out="$(mkdir -p "$out" && mktemp -d "$out/zorv-bench-out.XXXXXX")"
echo "copies go to $out"

urls=()
for i in 1 2 3 4 5 6; do
  urls+=(--url "http://127.0.0.1:$nginx_port/six-$i.bin")
done
echo
echo "== six files at six threads against aria2c -j6"
"$bench" --mode six "${urls[@]}" --folder "$out" --rounds "$rounds"
echo
echo "== one file of $big_bytes bytes alone"
"$bench" --mode big --url "http://127.0.0.1:$nginx_port/big.bin" --folder "$out"
