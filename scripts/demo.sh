#!/usr/bin/env bash
# Installs what is missing, builds, installs the demo into an embedded server (demo/server) and
# starts the stock-on-hand recalculation as the suite's menu would, for demo user 1 (SOMCHAI):
#   voq-recalc 503 1 DEMO - 3      (menu entry, user, company database, unused, task)
# With a display the window opens for you. Without one it runs under Xvfb, picks the current
# year, starts the run, saves a screenshot of the finished run as demo/recalc-onhand.png and
# answers the exit question.
# With --tds the program reaches the demo the way it reaches SQL Server: through unixODBC, FreeTDS
# and a voq-server on 127.0.0.1:14330 (Server.Dat "127.0.0.1,14330"), stopped at the end.
set -euo pipefail
tds=
if [ "${1:-}" = "--tds" ]; then
    tds=1
fi
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build="${VOQ_BUILD_DIR:-$root/build}"
VOQ_SQL="$build/tools/voqsql/voq-sql" VOQ_SERVER="$build/server/voq-server" \
    "$root/scripts/install-demo.sh" "$root/demo/server"

cd "$root/demo"
if [ -n "$tds" ]; then
    "$build/server/voq-server" --listen 127.0.0.1:14330 "$root/demo/server" &
    server_pid=$!
    trap 'kill -TERM $server_pid; wait $server_pid' EXIT
    sleep 1
    printf '127.0.0.1,14330\r\n' > Server.Dat
else
    printf 'file:%s\r\n' "$root/demo/server" > Server.Dat
fi
program="$build/app/voq-recalc"
if [ -n "${DISPLAY:-}" ]; then
    "$program" 503 1 DEMO - 3
    exit
fi
xvfb-run -a -s "-screen 0 800x600x24" "$root/scripts/drive-demo.sh" "$program" \
    "$root/demo/recalc-onhand.png"
echo "demo: screenshot of the finished run in demo/recalc-onhand.png"
