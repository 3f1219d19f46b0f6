#!/usr/bin/env bash
# Installs the demo into an embedded server directory (default demo/server): the configuration
# database VOQ_CONFIG and the company database DEMO, their tables and procedures, and the demo
# data. Every script is idempotent, so a second run changes nothing.
#   scripts/install-demo.sh [DIR]
# voq-sql is taken from $VOQ_SQL, else build/tools/voqsql/voq-sql. When voq-server is built
# ($VOQ_SERVER, else build/server/voq-server), the suite's login is set for it too.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir="${1:-$root/demo/server}"
voqsql="${VOQ_SQL:-$root/build/tools/voqsql/voq-sql}"

if [[ ! -x "$voqsql" ]]; then
    echo "install-demo: voq-sql not found at $voqsql (build first, or set VOQ_SQL)" >&2
    exit 1
fi
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
server="file:$dir"

run() {
    local db=$1
    shift
    "$voqsql" -S "$server" -d "$db" -b "$@"
}

for db in VOQ_CONFIG DEMO; do
    run master -Q "IF NOT EXISTS (SELECT * FROM SysDatabases WHERE Name = '$db') CREATE DATABASE $db"
done

shopt -s nullglob
for f in "$root"/schema/config/*.sql; do run VOQ_CONFIG -i "$f"; done
for f in "$root"/schema/company/*.sql; do run DEMO -i "$f"; done
for f in "$root"/schema/demo/config*.sql; do run VOQ_CONFIG -i "$f"; done
for f in "$root"/schema/demo/company*.sql; do run DEMO -i "$f"; done
voqserver="${VOQ_SERVER:-$root/build/server/voq-server}"
if [[ -x "$voqserver" ]]; then
    echo marigold | "$voqserver" --add-login voq "$dir"
fi
echo "install-demo: demo installed in $dir (server name file:$dir)"
