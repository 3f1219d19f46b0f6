#include "ConformanceCase.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

namespace conformance {

namespace {

const QString kCaseMark = QStringLiteral("=== ");
const QString kExpectMark = QStringLiteral("--- expect");

bool isGo(const QString& line) {
    return line.trimmed().compare(QLatin1String("GO"), Qt::CaseInsensitive) == 0;
}

QStringList splitBatches(const QStringList& lines) {
    QStringList batches;
    QStringList current;
    auto close = [&] {
        const QString batch = current.join(QLatin1Char('\n'));
        if (!batch.trimmed().isEmpty())
            batches << batch;
        current.clear();
    };
    for (const QString& line : lines) {
        if (isGo(line))
            close();
        else
            current << line;
    }
    close();
    return batches;
}

void dropTrailingBlanks(QStringList& lines) {
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
}

// Collects the lines of one case while the file is read.
struct Draft {
    Case c;
    QStringList sql;
    bool inExpect = false;
};

// Sorts the lines of a case file into cases; text before the first case is left out.
std::vector<Draft> draftsOf(const QStringList& lines, const QString& group, const QString& path) {
    std::vector<Draft> drafts;
    for (int k = 0; k < lines.size(); ++k) {
        const QString& line = lines[k];
        if (line.startsWith(kCaseMark)) {
            Draft d;
            d.c.group = group;
            d.c.name = line.mid(kCaseMark.size()).trimmed();
            d.c.file = path;
            d.c.line = k + 1;
            drafts.push_back(std::move(d));
        } else if (drafts.empty()) {
            continue;
        } else if (!drafts.back().inExpect && line.trimmed() == kExpectMark) {
            drafts.back().inExpect = true;
        } else if (drafts.back().inExpect) {
            drafts.back().c.expected << line;
        } else {
            drafts.back().sql << line;
        }
    }
    return drafts;
}

}  // namespace

QStringList readLines(const QString& path, QStringList& problems) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        problems << QStringLiteral("%1: cannot be read").arg(path);
        return {};
    }
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
}

CaseFile readCaseFile(const QString& path) {
    CaseFile out;
    const QStringList lines = readLines(path, out.problems);
    auto problem = [&](int line, const QString& what) {
        out.problems << QStringLiteral("%1:%2: %3").arg(path).arg(line).arg(what);
    };
    static const QRegularExpression validName(QStringLiteral("^[A-Za-z0-9_]+$"));
    QSet<QString> names;
    for (Draft& d : draftsOf(lines, QFileInfo(path).completeBaseName(), path)) {
        if (!validName.match(d.c.name).hasMatch())
            problem(d.c.line, QStringLiteral("case name '%1' is not a name").arg(d.c.name));
        if (!d.inExpect)
            problem(d.c.line,
                    QStringLiteral("case '%1' has no '%2' line").arg(d.c.name, kExpectMark));
        if (names.contains(d.c.name))
            problem(d.c.line, QStringLiteral("case '%1' appears twice").arg(d.c.name));
        names.insert(d.c.name);
        d.c.batches = splitBatches(d.sql);
        dropTrailingBlanks(d.c.expected);
        out.cases.push_back(std::move(d.c));
    }
    return out;
}

}  // namespace conformance
