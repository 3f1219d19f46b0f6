#include "tsql/Collation.h"

#include "tsql/Decimal.h"

#include <unicode/ucol.h>
#include <unicode/uiter.h>
#include <unicode/uscript.h>
#include "tsql/SqliteApi.h"

#include <QString>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>
#include <string>

namespace tsql {

namespace {

UCollator* collator() {
    // ucol_strcoll is thread safe on a shared collator once it is opened.
    static UCollator* c = [] {
        UErrorCode status = U_ZERO_ERROR;
        // Thai dictionary order, plus the character 255 after every other character: the
        // system writes it as the open upper end of a code range ("GRP" + Char(255)).
        UCollator* col = nullptr;
        if (UCollator* thai = ucol_open("th", &status); U_SUCCESS(status)) {
            int32_t length = 0;
            const UChar* tailoring = ucol_getRules(thai, &length);
            std::u16string rules(reinterpret_cast<const char16_t*>(tailoring), size_t(length));
            rules += u"&[last regular]<\u00FF";
            col =
                ucol_openRules(reinterpret_cast<const UChar*>(rules.data()), int32_t(rules.size()),
                               UCOL_DEFAULT, UCOL_DEFAULT, nullptr, &status);
            ucol_close(thai);
        }
        if (!col || U_FAILURE(status)) {
            status = U_ZERO_ERROR;
            col = ucol_open("", &status);
        }
        ucol_setStrength(col, UCOL_SECONDARY);
        // Blanks and punctuation count, as in SQL Server ('P-01' is not 'P01'); the Thai
        // tailoring would shift them out of the comparison.
        ucol_setAttribute(col, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
        // Latin before Thai, as SQL Server's Thai collation orders them; the Thai tailoring alone
        // would put Thai script first.
        const int32_t order[] = {UCOL_REORDER_CODE_DIGIT, USCRIPT_LATIN, USCRIPT_THAI};
        ucol_setReorderCodes(col, order, 3, &status);
        return col;
    }();
    return c;
}

int trimmedLength(const char* s, int n) {
    while (n > 0 && s[n - 1] == ' ')
        --n;
    return n;
}

int collate(void*, int na, const void* a, int nb, const void* b) {
    return compareTexts(static_cast<const char*>(a), na, static_cast<const char*>(b), nb);
}

}  // namespace

int compareTexts(const char* a, int na, const char* b, int nb) {
    na = trimmedLength(a, na);
    nb = trimmedLength(b, nb);
    // Texts of ASCII letters, digits and blanks order the same under the collator as their
    // lower-cased bytes (blanks before digits before letters), so codes compare without ICU.
    auto plain = [](unsigned char c) {
        return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') || c == ' ';
    };
    // Whether both texts are plain from position `from` on.
    auto restPlain = [&](int from) {
        for (int j = from; j < na; ++j)
            if (!plain(static_cast<unsigned char>(a[j])))
                return false;
        for (int j = from; j < nb; ++j)
            if (!plain(static_cast<unsigned char>(b[j])))
                return false;
        return true;
    };
    int k = 0;
    const int n = std::min(na, nb);
    for (; k < n; ++k) {
        unsigned char x = static_cast<unsigned char>(a[k]);
        unsigned char y = static_cast<unsigned char>(b[k]);
        if (!plain(x) || !plain(y))
            break;
        unsigned char fx = x >= 'A' && x <= 'Z' ? x | 0x20 : x;
        unsigned char fy = y >= 'A' && y <= 'Z' ? y | 0x20 : y;
        if (fx != fy) {
            // Decided here only if the rest of both texts is plain too.
            if (restPlain(k))
                return fx < fy ? -1 : 1;
            break;
        }
    }
    if (k == n) {
        if (restPlain(k))
            return na == nb ? 0 : (na < nb ? -1 : 1);
    }
    UErrorCode status = U_ZERO_ERROR;
    UCollationResult r = ucol_strcollUTF8(collator(), a, na, b, nb, &status);
    if (U_FAILURE(status))
        return QString::compare(QString::fromUtf8(a, na), QString::fromUtf8(b, nb),
                                Qt::CaseInsensitive);
    return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
}

int compareGuids(const char* a, int na, const char* b, int nb) {
    // The text positions of the bytes in the order SQL Server compares them: bytes 10 to 15
    // (the last group), 8 and 9, then the first three groups, each read as the little-endian
    // number it holds.
    static constexpr int kOrder[] = {24, 26, 28, 30, 32, 34, 19, 21, 16, 14, 11, 9, 6, 4, 2, 0};
    if (na != 36 || nb != 36) {
        const int c = std::memcmp(a, b, static_cast<size_t>(std::min(na, nb)));
        return c != 0 ? c : na - nb;
    }
    for (int at : kOrder)
        for (int k = at; k < at + 2; ++k) {
            const int x = std::toupper(static_cast<unsigned char>(a[k]));
            const int y = std::toupper(static_cast<unsigned char>(b[k]));
            if (x != y)
                return x < y ? -1 : 1;
        }
    return 0;
}

void registerCollation(sqlite3* db) {
    registerCollationAs(db, kCollation);
    sqlite3_create_collation(db, kNumericCollation, SQLITE_UTF8, nullptr,
                             [](void*, int na, const void* a, int nb, const void* b) {
                                 return compareNumericTexts(static_cast<const char*>(a), na,
                                                            static_cast<const char*>(b), nb);
                             });
    sqlite3_create_collation(db, kGuidCollation, SQLITE_UTF8, nullptr,
                             [](void*, int na, const void* a, int nb, const void* b) {
                                 return compareGuids(static_cast<const char*>(a), na,
                                                     static_cast<const char*>(b), nb);
                             });
}

void registerCollationAs(sqlite3* db, const char* name) {
    sqlite3_create_collation(db, name, SQLITE_UTF8, nullptr, collate);
}

namespace {

// T-SQL LIKE over case-folded UTF-16 texts.
bool likeMatch(const QString& p, int pi, const QString& s, int si, QChar escape) {
    const int pn = static_cast<int>(p.size()), sn = static_cast<int>(s.size());
    while (pi < pn) {
        QChar c = p[pi];
        if (!escape.isNull() && c == escape && pi + 1 < pn) {
            if (si >= sn || s[si] != p[pi + 1])
                return false;
            pi += 2;
            ++si;
            continue;
        }
        if (c == u'%') {
            while (pi < pn && p[pi] == u'%')
                ++pi;
            if (pi == pn)
                return true;
            for (int k = si; k <= sn; ++k)
                if (likeMatch(p, pi, s, k, escape))
                    return true;
            return false;
        }
        if (si >= sn)
            return false;
        if (c == u'_') {
            ++pi;
            ++si;
            continue;
        }
        if (c == u'[') {
            int close = static_cast<int>(p.indexOf(u']', pi + 1));
            if (close > pi + 1) {
                bool negate = p[pi + 1] == u'^';
                int k = pi + (negate ? 2 : 1);
                bool hit = false;
                for (; k < close; ++k) {
                    if (k + 2 < close && p[k + 1] == u'-') {
                        if (s[si] >= p[k] && s[si] <= p[k + 2])
                            hit = true;
                        k += 2;
                    } else if (p[k] == s[si]) {
                        hit = true;
                    }
                }
                if (hit == negate)
                    return false;
                pi = close + 1;
                ++si;
                continue;
            }
        }
        if (c != s[si])
            return false;
        ++pi;
        ++si;
    }
    return si == sn;
}

void likeFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    auto text = [](sqlite3_value* v) {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(v)),
                                 sqlite3_value_bytes(v))
            .toCaseFolded();
    };
    QString pattern = text(argv[0]);
    QString subject = text(argv[1]);
    QChar escape;
    if (argc == 3 && sqlite3_value_type(argv[2]) != SQLITE_NULL) {
        QString e = text(argv[2]);
        if (e.size() == 1)
            escape = e[0];
    }
    // SQL Server ignores trailing blanks of the subject when the pattern has none.
    if (!pattern.endsWith(u' '))
        while (subject.endsWith(u' '))
            subject.chop(1);
    sqlite3_result_int(ctx, likeMatch(pattern, 0, subject, 0, escape) ? 1 : 0);
}

}  // namespace

int patternIndex(const QString& pattern, const QString& subject) {
    const QString p = pattern.toCaseFolded(), s = subject.toCaseFolded();
    int from = 0;
    while (from < p.size() && p[from] == u'%')
        ++from;
    if (from == 0)
        return likeMatch(p, 0, s, 0, QChar()) ? 1 : 0;
    if (from == p.size())  // only %: the whole text from its first character
        return s.isEmpty() ? 0 : 1;
    // A leading % matches any run before the rest of the pattern: the shortest run gives the
    // first position.
    for (int k = 0; k <= s.size(); ++k)
        if (likeMatch(p, from, s, k, QChar()))
            return k < s.size() ? k + 1 : 0;
    return 0;
}

void registerLike(sqlite3* db) {
    sqlite3_create_function(db, "like", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                            likeFunction, nullptr, nullptr);
    sqlite3_create_function(db, "like", 3, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                            likeFunction, nullptr, nullptr);
}

}  // namespace tsql
