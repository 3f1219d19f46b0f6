#!/usr/bin/env bash
# Installs what is missing, builds, and runs what the program can do so far on a local demo
# database: voq-sql creates a small Thai table through the SQLite ODBC driver and reads it back.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build="${VOQ_BUILD_DIR:-$root/build}"
mkdir -p "$root/demo"
db="$root/demo/demo.sqlite"
rm -f "$db"
server="odbc:Driver=SQLite3;Database=$db"
"$build/tools/voqsql/voq-sql" -S "$server" -b -Q "create table Unit (Code varchar(10) primary key, NameThai nvarchar(30))"
"$build/tools/voqsql/voq-sql" -S "$server" -b -Q "insert into Unit values ('BOX', 'กล่อง')"
"$build/tools/voqsql/voq-sql" -S "$server" -b -Q "insert into Unit values ('PCS', 'ชิ้น')"
"$build/tools/voqsql/voq-sql" -S "$server" -b -Q "select Code, NameThai from Unit order by Code"
