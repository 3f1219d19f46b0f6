#pragma once

#include <QString>
#include <vector>

namespace company {

// A fragment of a server, driver or toolkit message and the Thai text that explains it.
struct ErrorTranslation {
    const char* fragment;
    QString thai;
};

// The translation table in search order: the suite's fourteen rows first, then the same
// conditions as worded by the drivers this program uses (SQL Server through ODBC/FreeTDS and the
// embedded engine).
const std::vector<ErrorTranslation>& errorTranslations();

// The text with the ASCII letters a to z turned into capitals; every other character unchanged.
QString upperAscii(const QString& text);

// The Thai text of the first row whose fragment occurs in the message, letter case ignored;
// empty when no row matches.
QString translateError(const QString& message);

// What the error dialog shows for a message: the Thai text, a carriage return, the upper-cased
// message and another carriage return.
QString errorDialogText(const QString& message);

}  // namespace company
