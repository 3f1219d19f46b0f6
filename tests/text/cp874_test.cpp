#include <gtest/gtest.h>

#include <iconv.h>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>

namespace {

// Converts UTF-8 text into another encoding with iconv; false when a character has no place.
bool convert(const char* to, const char* from, const QByteArray& in, QByteArray* out) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    QByteArray buffer(in.size() * 4 + 16, '\0');
    char* src = const_cast<char*>(in.constData());
    size_t srcLeft = static_cast<size_t>(in.size());
    char* dst = buffer.data();
    size_t dstLeft = static_cast<size_t>(buffer.size());
    const bool ok = iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1);
    iconv_close(cd);
    buffer.truncate(buffer.size() - static_cast<int>(dstLeft));
    *out = buffer;
    return ok;
}

// Every string literal with Thai letters in the program's sources.
QStringList thaiLiterals() {
    const QString root = qEnvironmentVariable("VOQ_SOURCE_DIR", VOQ_SOURCE_FALLBACK);
    static const QRegularExpression literal(QStringLiteral("\"((?:[^\"\\\\\\n]|\\\\.)*)\""));
    static const QRegularExpression thai(QStringLiteral("[\\x{0E00}-\\x{0E7F}]"));
    QStringList found;
    for (const char* folder : {"app", "shell", "ui", "config", "company", "recalc", "product",
                               "lookup", "sqlscript", "db"}) {
        QDirIterator it(QDir(root).filePath(QString::fromLatin1(folder)), {"*.cpp", "*.h"},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile f(it.next());
            if (!f.open(QIODevice::ReadOnly))
                continue;
            const QString text = QString::fromUtf8(f.readAll());
            for (auto m = literal.globalMatch(text); m.hasNext();) {
                const QString s = m.next().captured(1);
                if (s.contains(thai))
                    found << s;
            }
        }
    }
    return found;
}

}  // namespace

TEST(ThaiTexts, EveryTextTheProgramShowsFitsTheThaiCodePage) {
    const QStringList texts = thaiLiterals();
    ASSERT_GT(texts.size(), 20) << "the sources hold the program's Thai captions and messages";
    EXPECT_TRUE(texts.contains("คำนวน Error !!"));
    for (const QString& text : texts) {
        QByteArray cp874;
        QByteArray back;
        ASSERT_TRUE(convert("CP874", "UTF-8", text.toUtf8(), &cp874)) << text.toStdString();
        ASSERT_TRUE(convert("UTF-8", "CP874", cp874, &back)) << text.toStdString();
        EXPECT_EQ(QString::fromUtf8(back), text);
        EXPECT_EQ(cp874.size(), text.size()) << "one byte a character: " << text.toStdString();
    }
}
