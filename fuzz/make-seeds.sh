#!/usr/bin/env bash
# Writes the fuzzer's seed corpus into DIR from the project's own SQL: each batch of the schema
# scripts, each conformance case, and the SQL texts of the modules and of the engine's tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: make-seeds.sh DIR}
mkdir -p "$out"

# Batches of the scripts (lines GO end them), one seed each.
for f in "$root"/schema/*/*.sql; do
    awk -v out="$out/script-$(basename "$(dirname "$f")")-$(basename "$f" .sql)" '
        /^[ \t]*[Gg][Oo][ \t\r]*$/ { if (batch != "") { n++; printf "%s", batch > (out "-" n); close(out "-" n) } batch = ""; next }
        { batch = batch $0 "\n" }
        END { if (batch != "") { n++; printf "%s", batch > (out "-" n) } }' "$f"
done

# Conformance cases: the T-SQL between "=== name" and "--- expect", GO lines kept.
for f in "$root"/tests/tsql/conformance/*.sql-cases; do
    awk -v out="$out/case-$(basename "$f" .sql-cases)" '
        /^=== / { name = $2; sql = ""; inside = 1; next }
        /^--- expect/ { if (inside) { printf "%s", sql > (out "-" name); close(out "-" name) } inside = 0; next }
        inside { sql = sql $0 "\n" }' "$f"
done

# String literals of C++ sources on consecutive lines make one text; those that read as SQL
# are seeds, with the access layer's :Name parameters as numbers.
for f in "$root"/product/*.cpp "$root"/recalc/*.cpp "$root"/company/*.cpp "$root"/config/*.cpp \
         "$root"/tests/tsql/*.cpp "$root"/tests/schema/*.cpp; do
    [ -e "$f" ] || continue
    awk -v out="$out/text-$(basename "$f" .cpp)" '
        function flush() {
            if (text ~ /([Ss][Ee][Ll][Ee][Cc][Tt]|[Ii][Nn][Ss][Ee][Rr][Tt]|[Uu][Pp][Dd][Aa][Tt][Ee]|[Dd][Ee][Ll][Ee][Tt][Ee]|[Ee][Xx][Ee][Cc]|[Dd][Ee][Cc][Ll][Aa][Rr][Ee]|[Cc][Rr][Ee][Aa][Tt][Ee]) /) {
                n++; printf "%s", text > (out "-" n); close(out "-" n)
            }
            text = ""
        }
        {
            line = $0; found = 0
            while (match(line, /"([^"\\]|\\.)*"/)) {
                piece = substr(line, RSTART + 1, RLENGTH - 2)
                gsub(/\\\\/, "\001", piece); gsub(/\\n/, "\n", piece); gsub(/\\t/, "\t", piece)
                gsub(/\\"/, "\"", piece); gsub(/\001/, "\\", piece)
                gsub(/:[A-Za-z_][A-Za-z0-9_]*/, "1", piece)
                text = text piece; found = 1
                line = substr(line, RSTART + RLENGTH)
            }
            if (found) text = text "\n"; else flush()
        }
        END { flush() }' "$f"
done
