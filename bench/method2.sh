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
nginx_pid=""
cleanup() {
  if [ -n "$nginx_pid" ]; then
    kill "$nginx_pid" 2>/dev/null || true
    wait "$nginx_pid" 2>/dev/null || true
  fi
  [ -n "$out" ] && rm -rf "$out"
  rm -rf "$work"
}
trap cleanup EXIT

port_free() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
port=""
for _ in $(seq 1 50); do
  candidate=$((20000 + RANDOM % 30000))
  if port_free "$candidate"; then port="$candidate"; break; fi
done
[ -n "$port" ] || { echo "method2.sh: no free port found" >&2; exit 1; }

mkdir -p "$work/www" "$work/out" "$work/tmp" "$work/logs"
echo "preparing six files of $six_bytes bytes and one of $big_bytes bytes ..."
for i in 1 2 3 4 5 6; do
  head -c "$six_bytes" /dev/urandom > "$work/www/six-$i.bin"
done
head -c "$big_bytes" /dev/urandom > "$work/www/big.bin"
cat "$work"/www/*.bin > /dev/null # into the page cache, for both clients alike
# nginx started as root serves through an unprivileged worker: let it read the files.
chmod 755 "$work" "$work/www"
chmod 644 "$work"/www/*.bin

cat > "$work/nginx.conf" <<CONF
worker_processes 2;
daemon off;
pid $work/nginx.pid;
error_log $work/logs/error.log;
events { worker_connections 64; }
http {
  access_log off;
  sendfile on;
  keepalive_requests 1000;
  default_type application/octet-stream;
  client_body_temp_path $work/tmp/body;
  proxy_temp_path $work/tmp/proxy;
  fastcgi_temp_path $work/tmp/fastcgi;
  uwsgi_temp_path $work/tmp/uwsgi;
  scgi_temp_path $work/tmp/scgi;
  server {
    listen 127.0.0.1:$port;
    root $work/www;
  }
}
CONF
nginx -p "$work" -c "$work/nginx.conf" &
nginx_pid=$!
for _ in $(seq 1 50); do
  if ! port_free "$port"; then break; fi
  sleep 0.1
done
port_free "$port" && { echo "method2.sh: nginx did not start" >&2; cat "$work/logs/error.log" >&2; exit 1; }

echo "nginx (PID $nginx_pid) on 127.0.0.1:$port; $rounds rounds"
out="${ZORV_BENCH_OUT:-$work/out}"
out="$(mkdir -p "$out" && mktemp -d "$out/zorv-bench-out.XXXXXX")"
echo "copies go to $out"

urls=()
for i in 1 2 3 4 5 6; do
  urls+=(--url "http://127.0.0.1:$port/six-$i.bin")
done
echo
echo "== six files at six threads against aria2c -j6"
"$bench" --mode six "${urls[@]}" --folder "$out" --rounds "$rounds"
echo
echo "== one file of $big_bytes bytes alone"
"$bench" --mode big --url "http://127.0.0.1:$port/big.bin" --folder "$out"
