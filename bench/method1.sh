#!/usr/bin/env bash
# Method-1 transfer against "curl -o": one file (1 GiB unless ZORV_BENCH_BYTES says otherwise)
# served by an nginx of its own on a free port of 127.0.0.1, fetched by both in turns.
#   bench/method1.sh            (after ./dev build; ZORV_BUILD_DIR names another build folder)
# ZORV_BENCH_OUT names the folder the copies go to (default: beside the served file; on a RAM
# disk such as /dev/shm the figures vary less with the disk's write-back).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${ZORV_BUILD_DIR:-$here/build}"
bench="$build/bench/zorv-bench-method1"
bytes="${ZORV_BENCH_BYTES:-1073741824}"
rounds="${ZORV_BENCH_ROUNDS:-3}"

[ -x "$bench" ] || { echo "method1.sh: build first ($bench is missing)" >&2; exit 1; }
command -v nginx >/dev/null || { echo "method1.sh: nginx is not installed (nginx-light)" >&2; exit 1; }
command -v curl >/dev/null || { echo "method1.sh: curl is not installed" >&2; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/zorv-bench.XXXXXX")"
nginx_pid=""
cleanup() {
  if [ -n "$nginx_pid" ]; then
    kill "$nginx_pid" 2>/dev/null || true
    wait "$nginx_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

port_free() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
port=""
for _ in $(seq 1 50); do
  candidate=$((20000 + RANDOM % 30000))
  if port_free "$candidate"; then port="$candidate"; break; fi
done
[ -n "$port" ] || { echo "method1.sh: no free port found" >&2; exit 1; }

mkdir -p "$work/www" "$work/out" "$work/tmp" "$work/logs"
echo "preparing a file of $bytes bytes ..."
head -c "$bytes" /dev/urandom > "$work/www/big.bin"
cat "$work/www/big.bin" > /dev/null # into the page cache, for both clients alike
# nginx started as root serves through an unprivileged worker: let it read the file.
chmod 755 "$work" "$work/www"
chmod 644 "$work/www/big.bin"

cat > "$work/nginx.conf" <<EOF
worker_processes 1;
daemon off;
pid $work/nginx.pid;
error_log $work/logs/error.log;
events { worker_connections 64; }
http {
  access_log off;
  sendfile on;
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
EOF
nginx -p "$work" -c "$work/nginx.conf" &
nginx_pid=$!
for _ in $(seq 1 50); do
  if ! port_free "$port"; then break; fi
  sleep 0.1
done
port_free "$port" && { echo "method1.sh: nginx did not start" >&2; cat "$work/logs/error.log" >&2; exit 1; }

echo "nginx (PID $nginx_pid) on 127.0.0.1:$port; $rounds rounds"
out="${ZORV_BENCH_OUT:-$work/out}"
out="$(mkdir -p "$out" && mktemp -d "$out/zorv-bench-out.XXXXXX")"
trap 'rm -rf "$out"; cleanup' EXIT
echo "copies go to $out"
"$bench" --url "http://127.0.0.1:$port/big.bin" --folder "$out" --rounds "$rounds"
