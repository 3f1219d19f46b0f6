// Runs the T-SQL conformance cases of conformance/*.sql-cases, one test per case, each on a
// fresh embedded server; cases on the pending list are skipped while they fail.
#include <gtest/gtest.h>

#include <QDir>
#include <QSet>

#include "CaseRun.h"
#include "ConformanceCase.h"
#include "PendingList.h"
#include "Transcript.h"

namespace {

using conformance::Case;

QString rightTrimmed(const QString& line) {
    qsizetype end = line.size();
    while (end > 0 && line[end - 1].isSpace())
        --end;
    return line.left(end);
}

QStringList comparable(const QStringList& lines, bool expected) {
    QStringList out;
    for (const QString& line : lines)
        out << (expected ? conformance::comparableLine(rightTrimmed(line)) : rightTrimmed(line));
    while (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out;
}

QString listing(const QStringList& lines) {
    QString out;
    for (int k = 0; k < lines.size(); ++k)
        out += QStringLiteral("%1| %2\n").arg(k + 1, 3).arg(lines[k]);
    return out;
}

QString difference(const Case& c, const QStringList& expected, const QStringList& actual) {
    qsizetype first = 0;
    while (first < expected.size() && first < actual.size() && expected[first] == actual[first])
        ++first;
    return QStringLiteral(
               "%1:%2: case %3 differs from output line %4 on\n--- expected\n%5--- "
               "actual\n%6")
        .arg(c.file)
        .arg(c.line)
        .arg(c.fullName())
        .arg(first + 1)
        .arg(listing(expected), listing(actual));
}

class CaseTest : public ::testing::Test {
public:
    CaseTest(Case c, QString pendingReason)
        : case_(std::move(c)), pendingReason_(std::move(pendingReason)) {}

    void TestBody() override {
        const QStringList expected = comparable(case_.expected, true);
        const QStringList actual = comparable(conformance::runCase(case_), false);
        const bool passes = expected == actual;
        if (pendingReason_.isEmpty()) {
            EXPECT_TRUE(passes) << difference(case_, expected, actual).toStdString();
        } else if (passes) {
            FAIL() << case_.fullName().toStdString() << " passes now: take it off the pending list";
        } else {
            GTEST_SKIP() << "pending: " << pendingReason_.toStdString();
        }
    }

private:
    Case case_;
    QString pendingReason_;
};

class FilesTest : public ::testing::Test {
public:
    explicit FilesTest(QStringList problems) : problems_(std::move(problems)) {}
    void TestBody() override {
        EXPECT_TRUE(problems_.isEmpty()) << problems_.join(QLatin1Char('\n')).toStdString();
    }

private:
    QStringList problems_;
};

QString caseFolder() {
    const QByteArray fromEnvironment = qgetenv("VOQ_CONFORMANCE_DIR");
    return fromEnvironment.isEmpty() ? QStringLiteral(VOQ_CONFORMANCE_DIR)
                                     : QString::fromLocal8Bit(fromEnvironment);
}

// The cases of every file in the folder, with the pending list and what is wrong in either.
struct Suite {
    std::vector<Case> cases;
    conformance::PendingList pending;
    QStringList problems;
};

Suite loadSuite(const QDir& folder) {
    Suite suite;
    suite.pending = conformance::readPendingList(folder.filePath(QStringLiteral("pending.txt")));
    suite.problems = suite.pending.problems;
    const QStringList files =
        folder.entryList({QStringLiteral("*.sql-cases")}, QDir::Files, QDir::Name);
    if (files.isEmpty())
        suite.problems << QStringLiteral("%1: no case files").arg(folder.path());
    QSet<QString> names;
    for (const QString& name : files) {
        conformance::CaseFile file = conformance::readCaseFile(folder.filePath(name));
        suite.problems << file.problems;
        for (Case& c : file.cases) {
            names.insert(c.fullName());
            suite.cases.push_back(std::move(c));
        }
    }
    for (auto it = suite.pending.reasons.cbegin(); it != suite.pending.reasons.cend(); ++it)
        if (!names.contains(it.key()))
            suite.problems << QStringLiteral("pending.txt names no case '%1'").arg(it.key());
    return suite;
}

// One test for the files themselves, then one test per case, named FILE.CASE.
void registerSuite(const Suite& suite) {
    const QStringList problems = suite.problems;
    ::testing::RegisterTest("conformance_files", "are_well_formed", nullptr, nullptr, __FILE__,
                            __LINE__, [problems] { return new FilesTest(problems); });
    for (const Case& c : suite.cases) {
        const QString reason = suite.pending.reasons.value(c.fullName());
        ::testing::RegisterTest(c.group.toStdString().c_str(), c.name.toStdString().c_str(),
                                nullptr, nullptr, c.file.toStdString().c_str(), c.line,
                                [c, reason] { return new CaseTest(c, reason); });
    }
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    registerSuite(loadSuite(QDir(caseFolder())));
    return RUN_ALL_TESTS();
}
