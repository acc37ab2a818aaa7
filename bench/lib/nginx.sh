# Sourced by the transfer benchmarks: an nginx of their own on a free port of 127.0.0.1 that
# serves the files in "$work/www", started and stopped by its PID.
#   bench_start_nginx WORK WORKERS   sets nginx_port and nginx_pid
#   bench_stop_nginx

nginx_pid=""
nginx_port=""

bench_port_free() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

bench_start_nginx() {
  local work="$1" workers="$2" candidate
  for _ in $(seq 1 50); do
    candidate=$((20000 + RANDOM % 30000))
    if bench_port_free "$candidate"; then nginx_port="$candidate"; break; fi
  done
  [ -n "$nginx_port" ] || { echo "bench: no free port found" >&2; return 1; }
  mkdir -p "$work/www" "$work/tmp" "$work/logs"
  # nginx started as root serves through an unprivileged worker: let it read the files.
  chmod 755 "$work" "$work/www"
  find "$work/www" -type f -exec chmod 644 {} +
  cat > "$work/nginx.conf" <<CONF
worker_processes $workers;
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
    listen 127.0.0.1:$nginx_port;
    root $work/www;
  }
}
CONF
  nginx -p "$work" -c "$work/nginx.conf" &
  nginx_pid=$!
  for _ in $(seq 1 50); do
    if ! bench_port_free "$nginx_port"; then return 0; fi
    sleep 0.1
  done
  echo "bench: nginx did not start" >&2
  cat "$work/logs/error.log" >&2
  return 1
}

bench_stop_nginx() {
  if [ -n "$nginx_pid" ]; then
    kill "$nginx_pid" 2>/dev/null || true
    wait "$nginx_pid" 2>/dev/null || true
    nginx_pid=""
  fi
}
