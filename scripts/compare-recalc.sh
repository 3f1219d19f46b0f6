#!/usr/bin/env bash
# Runs the year-end recalculations (Calculate_OnHand, Calculate_AR, Calculate_AP) on the same
# generated company with the tools of two builds and compares the balances they write.
#   scripts/compare-recalc.sh BEFORE_BUILD_DIR AFTER_BUILD_DIR [LINES]
# Prints the rows that differ, column by column; exits 1 when any differ.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
before=$1 after=$2 lines=${3:-100000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run() {  # build dir, server dir
    local sql="$1/tools/voqsql/voq-sql" gen="$1/tools/datagen/voq-datagen" dir=$2
    mkdir -p "$dir"
    "$sql" -S "file:$dir" -b -Q "CREATE DATABASE Recalc" > /dev/null
    for f in "$root"/schema/company/*.sql; do "$sql" -S "file:$dir" -d Recalc -b -i "$f" > /dev/null; done
    "$gen" -S "file:$dir" -d Recalc --lines "$lines" --seed 7 --first-year 2021 --years 3 > /dev/null
    for year in 2021 2022 2023; do
        for p in Calculate_OnHand Calculate_AR Calculate_AP; do
            "$sql" -S "file:$dir" -d Recalc -b -Q "EXEC $p $year" > /dev/null
        done
    done
    "$sql" -S "file:$dir" -d Recalc -b -h -1 -W -s '|' -Q "
        SELECT 'OnHand', BalanceYear, Product, ProductUnits, Warehouse, Quantity FROM ProductOnHand
            ORDER BY BalanceYear, Product, ProductUnits, Warehouse
        SELECT 'Lot', BalanceYear, Product, LotNo, Warehouse, Quantity FROM LotOnHand
            ORDER BY BalanceYear, Product, LotNo, Warehouse
        SELECT 'AR', BalanceYear, Customer, CurrencyId, Amount, MainCurrencyAmount
            FROM CustomerBalance ORDER BY BalanceYear, Customer, CurrencyId
        SELECT 'AP', BalanceYear, Vendor, CurrencyId, Amount, MainCurrencyAmount
            FROM VendorBalance ORDER BY BalanceYear, Vendor, CurrencyId"
}

run "$before" "$work/before" > "$work/before.txt"
run "$after" "$work/after" > "$work/after.txt"
# Numbers compare by their digits, trailing zeros of a fraction aside (10.50 = 10.5).
paste -d '\n' "$work/before.txt" "$work/after.txt" | awk -F'|' '
    function digits(x) {
        if (x ~ /^-?[0-9]+\.[0-9]*$/) { sub(/0+$/, "", x); sub(/\.$/, "", x) }
        return x
    }
    NR % 2 == 1 { nb = split($0, b, "|"); next }
    {
        n = split($0, a, "|"); shown = 0
        for (k = 1; k <= (n > nb ? n : nb); k++)
            if (digits(b[k]) != digits(a[k])) {
                printf "%s %s %s %s: column %d %s -> %s\n", a[1], a[2], a[3], a[4], k, b[k], a[k]
                shown = 1
            }
        differ += shown; rows++
    }
    END { printf "%d rows compared, %d differ\n", rows, differ; exit differ > 0 }'
