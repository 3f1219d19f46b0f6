#include "tsql/SessionOptions.h"

#include <QLatin1String>

namespace tsql {

namespace {

struct OptionBit {
    const char* name;
    int bit;
    int excludes = 0;  // the bit of the option that turning this one ON turns OFF
};

// The options of @@OPTIONS that the engine keeps without acting on them, with their bits.
constexpr OptionBit kKept[] = {
    {"DISABLE_DEF_CNST_CHK", 1},
    {"IMPLICIT_TRANSACTIONS", 2},
    {"CURSOR_CLOSE_ON_COMMIT", 4},
    {"ANSI_WARNINGS", 8},
    {"ANSI_PADDING", 16},
    {"ANSI_NULLS", 32},
    {"ARITHABORT", 64},
    {"ARITHIGNORE", 128},
    {"QUOTED_IDENTIFIER", 256},
    {"ANSI_NULL_DFLT_ON", 1024, 2048},
    {"ANSI_NULL_DFLT_OFF", 2048, 1024},
    {"CONCAT_NULL_YIELDS_NULL", 4096},
    {"NUMERIC_ROUNDABORT", 8192},
};
constexpr int kNocount = 512;
constexpr int kXactAbort = 16384;

}  // namespace

void SessionOptions::setKept(const QString& option, bool on) {
    for (const OptionBit& o : kKept) {
        if (option != QLatin1String(o.name))
            continue;
        kept = on ? (kept | o.bit) & ~o.excludes : kept & ~o.bit;
        return;
    }
}

int SessionOptions::bits() const {
    return kept | (nocount ? kNocount : 0) | (xactAbort ? kXactAbort : 0);
}

}  // namespace tsql
