#!/usr/bin/env bash
# Checks that the latency server adds D and little more: the same URLs fetched
# one after the other by curl from nginx and from the latency server.
#   check_latency.sh SITE_FOLDER [DELAY_MS] [COUNT]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
site=${1:?folder written by gen_site.py}
delay=${2:-20}
count=${3:-300}
port=$(python3 -c "import json,sys; print(json.load(open(sys.argv[1]))['origin'].rsplit(':',1)[1])" "$site/site.json")
config=$(mktemp)
trap 'rm -f "$config"; "$here/servers.sh" stop' EXIT
head -n "$count" "$site/urls.txt" | sed 's/.*/url = "&"\noutput = "\/dev\/null"/' > "$config"
run() {
  local start end
  start=$(date +%s.%N)
  curl -s -H "Connection: close" -K "$config"
  end=$(date +%s.%N)
  python3 -c "print('%.3f' % ((float('$end') - float('$start')) * 1000 / $count))"
}
"$here/servers.sh" start nginx "$site/site" "$port"
plain=$(run)
"$here/servers.sh" start latency "$site/site" "$port" "$delay"
delayed=$(run)
python3 - "$plain" "$delayed" "$delay" <<'PY'
import sys
plain, delayed, d = map(float, sys.argv[1:])
print("ms per request: nginx %.3f, latency server %.3f (D = %g)" % (plain, delayed, d))
print("added beyond nginx: %.3f ms, of which beyond D: %.3f ms" % (delayed - plain, delayed - plain - d))
PY
