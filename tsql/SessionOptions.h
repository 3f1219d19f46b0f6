#pragma once

#include <QString>

namespace tsql {

// The SET options of a session. NOCOUNT, XACT_ABORT, DATEFIRST and ROWCOUNT change what the
// engine does;
// the other options of @@OPTIONS are kept only to be read there. A procedure or trigger gives
// its caller's options back when it ends.
struct SessionOptions {
    bool nocount = false;
    bool xactAbort = false;
    int dateFirst = 7;    // the first day of the week, 1 Monday ... 7 Sunday
    qint64 rowcount = 0;  // SET ROWCOUNT: the most rows a SELECT gives, 0 for all
    // The @@OPTIONS bits of the options kept only, as an ODBC connection sets them: ANSI_WARNINGS,
    // ANSI_PADDING, ANSI_NULLS, QUOTED_IDENTIFIER, ANSI_NULL_DFLT_ON, CONCAT_NULL_YIELDS_NULL.
    int kept = 8 | 16 | 32 | 256 | 1024 | 4096;

    // SET option ON|OFF of an option kept only; `option` (upper-cased) of no such option changes
    // nothing.
    void setKept(const QString& option, bool on);
    // @@OPTIONS: a bit for each option that is ON.
    int bits() const;
};

}  // namespace tsql
