// The engine's text functions: SUBSTRING, LEFT, RIGHT, LEN, CHARINDEX, PATINDEX, UPPER, LOWER,
// REPLACE, REPLICATE, SPACE, STR, REVERSE, STUFF, QUOTENAME, DATALENGTH of national texts.
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "tsql/Collation.h"
#include "tsql/Conversions.h"
#include "tsql/Errors.h"
#include "tsql/FunctionSupport.h"

namespace tsql {

namespace {

void fnSubstring(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    guarded(ctx, [&] {
        if (anyNull(argc, argv)) {
            sqlite3_result_null(ctx);
            return;
        }
        QString s = argText(argv[0]);
        qint64 start = sqlite3_value_int64(argv[1]);
        qint64 len = sqlite3_value_int64(argv[2]);
        if (len < 0)
            raise(537,
                  QStringLiteral("Invalid length parameter passed to the substring function."));
        // Characters before position 1 count against the length, as in SQL Server.
        qint64 end = start + len;
        if (start < 1)
            start = 1;
        if (end <= start || start > s.size()) {
            resultText(ctx, QString());
            return;
        }
        resultText(ctx, s.mid(start - 1, end - start));
    });
}

void fnLeftRight(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    guarded(ctx, [&] {
        if (anyNull(argc, argv)) {
            sqlite3_result_null(ctx);
            return;
        }
        bool left = sqlite3_user_data(ctx) != nullptr;
        QString s = argText(argv[0]);
        qint64 n = sqlite3_value_int64(argv[1]);
        if (n < 0)
            raise(536, QStringLiteral("Invalid length parameter passed to the %1 function.")
                           .arg(left ? QStringLiteral("left") : QStringLiteral("right")));
        resultText(ctx, left ? s.left(n) : s.right(n));
    });
}

void fnLen(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    QString s = argText(argv[0]);
    int n = static_cast<int>(s.size());
    while (n > 0 && s[n - 1] == u' ')
        --n;
    sqlite3_result_int(ctx, n);
}

void fnCharIndex(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    QString needle = argText(argv[0]);
    QString hay = argText(argv[1]);
    qint64 start = argc > 2 ? sqlite3_value_int64(argv[2]) : 1;
    if (start < 1)
        start = 1;
    qsizetype at = hay.indexOf(needle, start - 1, Qt::CaseInsensitive);
    sqlite3_result_int64(ctx, needle.isEmpty() ? 0 : at + 1);
}

void fnCase(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    bool upper = sqlite3_user_data(ctx) != nullptr;
    QString s = argText(argv[0]);
    resultText(ctx, upper ? s.toUpper() : s.toLower());
}

void fnReplace(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    QString s = argText(argv[0]);
    QString from = argText(argv[1]);
    if (from.isEmpty()) {
        resultText(ctx, s);
        return;
    }
    resultText(ctx, s.replace(from, argText(argv[2]), Qt::CaseInsensitive));
}

// TRANSLATE(text, characters, translations): each character of the text that is one of
// `characters`, compared as the database's case-insensitive collation compares, becomes the
// translation at the same place; 9828 when the two lists differ in length.
void fnTranslate(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    const QString from = argText(argv[1]), to = argText(argv[2]);
    if (from.size() != to.size()) {
        resultError(ctx, db::Error(db::Error::Kind::Server,
                                   QStringLiteral("The second and third arguments of the "
                                                  "TRANSLATE built-in function must contain an "
                                                  "equal number of characters."),
                                   9828));
        return;
    }
    QString s = argText(argv[0]);
    for (QChar& c : s)
        if (const qsizetype k = from.indexOf(c, 0, Qt::CaseInsensitive); k >= 0)
            c = to[k];
    resultText(ctx, s);
}

// REPLICATE(text, count[, limit]) and SPACE(count): the result ends at `limit` characters, 8000
// unless given; a limit below 0 (a text of a max type) leaves only SQLite's own limit.
void fnReplicate(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    const int countArg = argc == 1 ? 0 : 1;
    if (sqlite3_value_type(argv[countArg]) == SQLITE_NULL ||
        (argc > 1 && sqlite3_value_type(argv[0]) == SQLITE_NULL)) {
        sqlite3_result_null(ctx);
        return;
    }
    qint64 n = sqlite3_value_int64(argv[countArg]);
    if (n < 0) {
        sqlite3_result_null(ctx);
        return;
    }
    const qint64 limit = argc == 3 ? sqlite3_value_int64(argv[2]) : 8000;
    const QString unit = argc == 1 ? QStringLiteral(" ") : argText(argv[0]);
    if (unit.isEmpty()) {
        resultText(ctx, unit);
        return;
    }
    if (limit >= 0)
        n = std::min(n, (limit + unit.size() - 1) / unit.size());
    const qint64 bytes = sqlite3_limit(sqlite3_context_db_handle(ctx), SQLITE_LIMIT_LENGTH, -1);
    if (n > bytes / unit.toUtf8().size()) {
        sqlite3_result_error_toobig(ctx);
        return;
    }
    const QString repeated = unit.repeated(n);
    resultText(ctx, limit >= 0 ? repeated.left(limit) : repeated);
}

// STR(number, length, decimals): right-aligned, rounded, '*' when it does not fit.
void fnStr(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    const int len = sqlite3_value_int(argv[1]);
    const int dec = std::clamp(sqlite3_value_int(argv[2]), 0, 16);
    if (len < 1 || len > 8000) {
        sqlite3_result_null(ctx);
        return;
    }
    QString text = QString::number(roundHalfAway(sqlite3_value_double(argv[0]), dec), 'f', dec);
    if (text.size() > len) {
        // Fewer decimals first, then stars.
        int intPart = static_cast<int>(text.indexOf(u'.'));
        if (intPart < 0)
            intPart = static_cast<int>(text.size());
        if (intPart > len) {
            resultText(ctx, QString(len, u'*'));
            return;
        }
        int keep = std::max(0, len - intPart - 1);
        text = QString::number(roundHalfAway(sqlite3_value_double(argv[0]), keep), 'f', keep);
        if (text.size() > len)
            text = QString(len, u'*');
    }
    resultText(ctx, text.rightJustified(len, u' '));
}

void fnReverse(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    QString s = argText(argv[0]);
    std::reverse(s.begin(), s.end());
    resultText(ctx, s);
}

// STUFF(text, start, length, insert): NULL for a start outside the text or a negative length; a
// NULL insert inserts nothing.
void fnStuff(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc - 1, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    QString s = argText(argv[0]);
    const qint64 start = sqlite3_value_int64(argv[1]);
    const qint64 length = sqlite3_value_int64(argv[2]);
    if (start < 1 || start > s.size() || length < 0) {
        sqlite3_result_null(ctx);
        return;
    }
    const QString insert =
        sqlite3_value_type(argv[3]) == SQLITE_NULL ? QString() : argText(argv[3]);
    resultText(ctx, s.replace(start - 1, std::min<qint64>(length, s.size() - start + 1), insert));
}

// QUOTENAME(name[, quote]): the name between the quote and its closing character, the closing
// character doubled inside; NULL for another quote or a name longer than 128 characters.
void fnQuoteName(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    const QString name = argText(argv[0]);
    const QString quote = argc > 1 ? argText(argv[1]) : QStringLiteral("[");
    // Each quote character accepted, the character that opens and the one that closes.
    static const QString accepted = QStringLiteral("[]\"'()<>{}`");
    static const QString opens = QStringLiteral("[[\"'((<<{{`");
    static const QString closes = QStringLiteral("]]\"'))>>}}`");
    const qsizetype k = quote.size() == 1 ? accepted.indexOf(quote[0]) : -1;
    if (k < 0 || name.size() > 128) {
        sqlite3_result_null(ctx);
        return;
    }
    const QChar open = opens[k], close = closes[k];
    QString quoted = name;
    quoted.replace(close, QString(2, close));
    resultText(ctx, open + quoted + close);
}

// PATINDEX(pattern, text): where the LIKE pattern first matches, 0 without a match.
void fnPatIndex(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (anyNull(argc, argv)) {
        sqlite3_result_null(ctx);
        return;
    }
    sqlite3_result_int64(ctx, patternIndex(argText(argv[0]), argText(argv[1])));
}

// The bytes of a national text: two per UTF-16 unit.
void fnNationalLength(sqlite3_context* ctx, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    sqlite3_result_int64(ctx, 2 * argText(argv[0]).size());
}

// tsql_string_agg(value, separator, limit, key, descending, ...): the values that are not NULL in
// the order of the keys, joined by the separator; 9829 beyond `limit` characters (0: none).
struct Aggregated {
    struct Row {
        QString value;
        std::vector<sqlite3_value*> keys;
    };
    std::vector<Row> rows;
    std::vector<bool> descending;
    QString separator;
    qint64 limit = 0;

    ~Aggregated() {
        for (Row& r : rows)
            for (sqlite3_value* k : r.keys)
                sqlite3_value_free(k);
    }
};

// The order of sort keys: NULL first, numbers by value before texts in the engine's collation.
int compareKeys(sqlite3_value* a, sqlite3_value* b) {
    auto rank = [](sqlite3_value* v) {
        const int t = sqlite3_value_type(v);
        return t == SQLITE_NULL ? 0 : t == SQLITE_INTEGER || t == SQLITE_FLOAT ? 1 : 2;
    };
    const int ra = rank(a), rb = rank(b);
    if (ra != rb || ra == 0)
        return ra - rb;
    if (ra == 1) {
        const double x = sqlite3_value_double(a), y = sqlite3_value_double(b);
        return x < y ? -1 : x > y ? 1 : 0;
    }
    return compareTexts(
        reinterpret_cast<const char*>(sqlite3_value_text(a)), sqlite3_value_bytes(a),
        reinterpret_cast<const char*>(sqlite3_value_text(b)), sqlite3_value_bytes(b));
}

void stringAggStep(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return;
    auto** slot = static_cast<Aggregated**>(sqlite3_aggregate_context(ctx, sizeof(Aggregated*)));
    if (!slot) {
        sqlite3_result_error_nomem(ctx);
        return;
    }
    Aggregated*& state = *slot;
    try {
        if (!state) {
            state = new Aggregated;
            state->separator = argText(argv[1]);
            state->limit = sqlite3_value_int64(argv[2]);
            for (int k = 4; k < argc; k += 2)
                state->descending.push_back(sqlite3_value_int(argv[k]) != 0);
        }
        Aggregated::Row row{argText(argv[0]), {}};
        for (int k = 3; k < argc; k += 2)
            row.keys.push_back(sqlite3_value_dup(argv[k]));
        state->rows.push_back(std::move(row));
    } catch (const std::bad_alloc&) {
        sqlite3_result_error_nomem(ctx);
    }
}

void stringAggFinal(sqlite3_context* ctx) {
    auto** slot = static_cast<Aggregated**>(sqlite3_aggregate_context(ctx, 0));
    if (!slot || !*slot) {
        sqlite3_result_null(ctx);
        return;
    }
    const std::unique_ptr<Aggregated> owned(*slot);
    *slot = nullptr;
    std::vector<Aggregated::Row>& rows = owned->rows;
    const std::vector<bool>& descending = owned->descending;
    std::stable_sort(rows.begin(), rows.end(),
                     [&](const Aggregated::Row& a, const Aggregated::Row& b) {
                         for (size_t k = 0; k < descending.size(); ++k) {
                             const int c = compareKeys(a.keys[k], b.keys[k]);
                             if (c != 0)
                                 return descending[k] ? c > 0 : c < 0;
                         }
                         return false;
                     });
    QStringList values;
    for (const Aggregated::Row& r : rows)
        values.push_back(r.value);
    const QString joined = values.join(owned->separator);
    if (owned->limit > 0 && joined.size() > owned->limit) {
        resultError(ctx, db::Error(db::Error::Kind::Server,
                                   QStringLiteral("STRING_AGG aggregation result exceeded the "
                                                  "limit of 8000 bytes. Use LOB types to avoid "
                                                  "result truncation."),
                                   9829));
        return;
    }
    resultText(ctx, joined);
}

}  // namespace

void registerTextFunctions(sqlite3* db) {
    sqlite3_create_function(db, "tsql_string_agg", -1, SQLITE_UTF8, nullptr, nullptr, stringAggStep,
                            stringAggFinal);
    static int flag = 1;
    registerScalars(db, {
                            {"tsql_substring", 3, fnSubstring},
                            {"tsql_left", 2, fnLeftRight, &flag},
                            {"tsql_right", 2, fnLeftRight},
                            {"tsql_len", 1, fnLen},
                            {"tsql_charindex", 2, fnCharIndex},
                            {"tsql_charindex", 3, fnCharIndex},
                            {"tsql_patindex", 2, fnPatIndex},
                            {"tsql_upper", 1, fnCase, &flag},
                            {"tsql_lower", 1, fnCase},
                            {"tsql_replace", 3, fnReplace},
                            {"tsql_translate", 3, fnTranslate},
                            {"tsql_replicate", 2, fnReplicate},
                            {"tsql_replicate", 3, fnReplicate},
                            {"tsql_space", 1, fnReplicate},
                            {"tsql_str", 3, fnStr},
                            {"tsql_reverse", 1, fnReverse},
                            {"tsql_stuff", 4, fnStuff},
                            {"tsql_quotename", 1, fnQuoteName},
                            {"tsql_quotename", 2, fnQuoteName},
                            {"tsql_national_length", 1, fnNationalLength},
                        });
}

}  // namespace tsql
