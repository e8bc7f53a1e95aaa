#!/usr/bin/env bash
# Starts and stops the two bench servers on 127.0.0.1. Both answer one request
# per connection (no keep-alive).
#   servers.sh start nginx   SITE_FOLDER [PORT]
#   servers.sh start latency SITE_FOLDER [PORT] [DELAY_MS]
#   servers.sh stop
# nginx runs in the foreground (daemon off) as a child of this script's
# caller's session, its pid kept in $BENCH_RUN (default /tmp/crawlspect-bench).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
run=${BENCH_RUN:-/tmp/crawlspect-bench}
mkdir -p "$run"

wait_up() {
  local port=$1
  for _ in $(seq 1 100); do
    if curl -s -o /dev/null --max-time 2 "http://127.0.0.1:$port/"; then return 0; fi
    sleep 0.05
  done
  echo "server on port $port did not come up" >&2
  return 1
}

stop_all() {
  for name in nginx latency; do
    local pidfile="$run/$name.pid"
    [[ -f $pidfile ]] || continue
    local pid
    pid=$(cat "$pidfile")
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null || true
      for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    fi
    rm -f "$pidfile"
  done
}

case ${1:-} in
  start)
    kind=${2:?nginx or latency}
    site=$(cd "${3:?site folder}" && pwd)
    port=${4:-18080}
    stop_all
    if [[ $kind == nginx ]]; then
      prefix="$run/nginx"
      mkdir -p "$prefix/logs" "$prefix/tmp"
      # Workers read the site as this user; the temp paths stay in the prefix.
      cat > "$prefix/nginx.conf" <<CONF
worker_processes 1;
daemon off;
user $(id -un);
pid $prefix/nginx.pid;
error_log $prefix/logs/error.log warn;
events { worker_connections 256; }
http {
  types { text/html html; text/css css; text/plain txt; }
  default_type application/octet-stream;
  charset utf-8;
  access_log off;
  sendfile on;
  tcp_nopush on;
  keepalive_timeout 0;
  client_body_temp_path $prefix/tmp/body;
  proxy_temp_path $prefix/tmp/proxy;
  fastcgi_temp_path $prefix/tmp/fastcgi;
  uwsgi_temp_path $prefix/tmp/uwsgi;
  scgi_temp_path $prefix/tmp/scgi;
  server {
    listen 127.0.0.1:$port;
    root $site;
    index index.html;
  }
}
CONF
      nginx -p "$prefix" -c "$prefix/nginx.conf" > "$prefix/logs/stdout.log" 2>&1 &
      echo $! > "$run/nginx.pid"
    else
      delay=${5:-20}
      python3 "$here/latency_server.py" --root "$site" --port "$port" --delay-ms "$delay" \
        > "$run/latency.log" 2>&1 &
      echo $! > "$run/latency.pid"
    fi
    wait_up "$port"
    ;;
  stop)
    stop_all
    ;;
  *)
    echo "usage: $0 start nginx|latency SITE_FOLDER [PORT] [DELAY_MS] | stop" >&2
    exit 2
    ;;
esac
