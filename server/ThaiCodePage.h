#pragma once

#include <QByteArray>
#include <QString>

struct UConverter;

namespace tds {

// Converts between Unicode and the Thai code page (Windows-874) that the server's collation
// names; characters it has no place for become '?'. One per connection: not thread-safe.
class ThaiCodePage {
public:
    ThaiCodePage();
    ~ThaiCodePage();
    ThaiCodePage(const ThaiCodePage&) = delete;
    ThaiCodePage& operator=(const ThaiCodePage&) = delete;

    QByteArray encode(const QString& text);
    QString decode(const QByteArray& bytes);

private:
    UConverter* converter_;
};

}  // namespace tds
