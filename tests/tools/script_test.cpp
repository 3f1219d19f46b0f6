#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "tools/voqsql/Script.h"

using voqsql::Batch;
using voqsql::ScriptError;
using voqsql::splitBatches;
using voqsql::substituteVariables;
using voqsql::Variables;

namespace {

QStringList texts(const std::vector<Batch>& batches) {
    QStringList out;
    for (const auto& b : batches)
        out << b.text;
    return out;
}

}  // namespace

// --- GO lines ----------------------------------------------------------------------------------

TEST(SplitBatches, GoLinesSeparateAndAreDropped) {
    const auto b = splitBatches("create table T (a int)\nGO\ninsert into T values (1)\ngo\n");
    EXPECT_EQ(texts(b), QStringList({"create table T (a int)", "insert into T values (1)"}));
    EXPECT_EQ(b[0].firstLine, 1);
    EXPECT_EQ(b[1].firstLine, 3);
}

TEST(SplitBatches, GoIgnoresCaseAndSurroundingBlanks) {
    const auto b = splitBatches("select 1\n  Go\t\nselect 2\n\tgO  \r\nselect 3");
    EXPECT_EQ(texts(b), QStringList({"select 1", "select 2", "select 3"}));
}

TEST(SplitBatches, GoMayCarryATrailingLineComment) {
    const auto b =
        splitBatches("select 1\nGO -- tables done\nselect 2\ngo 2-- twice\nselect 3\nGO--\n");
    EXPECT_EQ(texts(b), QStringList({"select 1", "select 2", "select 3"}));
    EXPECT_EQ(b[1].repeat, 2);
}

TEST(SplitBatches, TextWithoutGoIsOneBatch) {
    const auto b = splitBatches("select 1\nselect 2");
    EXPECT_EQ(texts(b), QStringList({"select 1\nselect 2"}));
    EXPECT_EQ(b[0].repeat, 1);
}

TEST(SplitBatches, CrLfLineEndsBecomeLf) {
    const auto b = splitBatches("select 1,\r\n 2\r\nGO\r\nselect 3\r\n");
    EXPECT_EQ(texts(b), QStringList({"select 1,\n 2", "select 3\n"}));
}

TEST(SplitBatches, WordsStartingWithGoDoNotSeparate) {
    const auto b = splitBatches("GOTO done\nGO;\ngood\nGO1\nselect 1 GO");
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(b[0].text, "GOTO done\nGO;\ngood\nGO1\nselect 1 GO");
}

TEST(SplitBatches, EmptyAndCommentOnlyBatchesAreDropped) {
    const auto b =
        splitBatches("\nGO\nGO\n  \n-- nothing here\n/* nor\nhere */\nGO\nselect 1\nGO\n\n");
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(b[0].text, "select 1");
    EXPECT_EQ(b[0].firstLine, 9);
}

TEST(SplitBatches, LeadingBlankLinesStayInTheBatchAndCountFromItsStart) {
    // The batch starts right after GO, so line numbers inside its text map back to the script.
    const auto b = splitBatches("select 1\nGO\n\n\nselect bad");
    ASSERT_EQ(b.size(), 2u);
    EXPECT_EQ(b[1].text, "\n\nselect bad");
    EXPECT_EQ(b[1].firstLine, 3);
}

TEST(SplitBatches, RepeatCount) {
    const auto b = splitBatches("insert into T default values\nGO 3\nselect 1\ngo\t2\n");
    ASSERT_EQ(b.size(), 2u);
    EXPECT_EQ(b[0].repeat, 3);
    EXPECT_EQ(b[1].repeat, 2);
}

TEST(SplitBatches, NonPositiveRepeatCountIsAnErrorNamingTheLine) {
    try {
        splitBatches("select 1\n\nGO 0\n");
        FAIL() << "GO 0 was accepted";
    } catch (const ScriptError& e) {
        EXPECT_EQ(e.line(), 3);
        EXPECT_TRUE(e.message().contains("'0'"));
    }
    EXPECT_THROW(splitBatches("select 1\nGO -1\n"), ScriptError);
    EXPECT_THROW(splitBatches("select 1\n  GO 2x\n"), ScriptError);
}

// --- GO inside constructs that span lines ------------------------------------------------------

TEST(SplitBatches, GoInsideBlockCommentDoesNotSeparate) {
    const auto b = splitBatches("select 1 /* a comment\nGO\nstill comment */\nGO\nselect 2");
    EXPECT_EQ(texts(b), QStringList({"select 1 /* a comment\nGO\nstill comment */", "select 2"}));
}

TEST(SplitBatches, BlockCommentsNest) {
    const auto b = splitBatches("/* outer /* inner */\nGO\nstill outer */ select 1\nGO\nselect 2");
    ASSERT_EQ(b.size(), 2u);
    EXPECT_EQ(b[1].text, "select 2");
}

TEST(SplitBatches, GoInsideMultiLineStringDoesNotSeparate) {
    const auto b = splitBatches("insert into T values ('it''s\nGO\n')\nGO\nselect 2");
    EXPECT_EQ(texts(b), QStringList({"insert into T values ('it''s\nGO\n')", "select 2"}));
}

TEST(SplitBatches, GoInsideQuotedNamesDoesNotSeparate) {
    const auto b = splitBatches("select 1 as [a]]\nGO\nb], 2 as \"c\nGO\nd\"\nGO\nselect 3");
    EXPECT_EQ(texts(b), QStringList({"select 1 as [a]]\nGO\nb], 2 as \"c\nGO\nd\"", "select 3"}));
}

TEST(SplitBatches, QuotesInsideLineCommentsAreNotStrings) {
    // Without the comment rule the apostrophe would open a string and swallow the GO.
    const auto b = splitBatches("select 1 -- it's a test /*\nGO\nselect 2");
    EXPECT_EQ(texts(b), QStringList({"select 1 -- it's a test /*", "select 2"}));
}

TEST(SplitBatches, CommentMarkersInsideStringsAreText) {
    const auto b = splitBatches("select '/*', '--'\nGO\nselect 2");
    EXPECT_EQ(texts(b), QStringList({"select '/*', '--'", "select 2"}));
}

// --- $(name) substitution ----------------------------------------------------------------------

TEST(SubstituteVariables, ReplacesEveryReferenceIgnoringCase) {
    Variables v;
    v.set("Year", "2567");
    v.set("db", "DMDATA");
    v.set("empty", "");
    EXPECT_EQ(substituteVariables("use $(DB); select '$(year)$(empty)', $(YEAR)+$(Year)", v),
              "use DMDATA; select '2567', 2567+2567");
}

TEST(SubstituteVariables, ValuesAreNotScannedAgain) {
    Variables v;
    v.set("a", "$(b)");
    v.set("b", "x");
    EXPECT_EQ(substituteVariables("select '$(a)'", v), "select '$(b)'");
}

TEST(SubstituteVariables, DollarWithoutParenthesisIsText) {
    EXPECT_EQ(substituteVariables("select '$', $x, $ (y)", Variables()), "select '$', $x, $ (y)");
}

TEST(SubstituteVariables, UndefinedVariableIsAnErrorNamingItAndItsLine) {
    Variables v;
    v.set("known", "1");
    try {
        substituteVariables("select $(known)\nfrom T\nwhere a = $(Missing)", v);
        FAIL() << "undefined variable was accepted";
    } catch (const ScriptError& e) {
        EXPECT_EQ(e.message(), "'Missing' scripting variable not defined.");
        EXPECT_EQ(e.line(), 3);
    }
}

TEST(SubstituteVariables, MalformedReferencesAreErrors) {
    Variables v;
    v.set("a", "1");
    EXPECT_THROW(substituteVariables("select $(a", v), ScriptError);
    EXPECT_THROW(substituteVariables("select $(a\n)", v), ScriptError);
    EXPECT_THROW(substituteVariables("select $()", v), ScriptError);
    EXPECT_THROW(substituteVariables("select $(a b)", v), ScriptError);
    EXPECT_THROW(substituteVariables("select $(1a)", v), ScriptError);
}

// --- script files ------------------------------------------------------------------------------

class VoqSqlScriptFile : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QTemporaryDir dir_;
};

TEST_F(VoqSqlScriptFile, ReadsUtf8WithOrWithoutBom) {
    const QString thai = QStringLiteral("select N'ข้าว'");
    EXPECT_EQ(voqsql::readScriptFile(write("a.sql", thai.toUtf8())), thai);
    EXPECT_EQ(voqsql::readScriptFile(write("b.sql", "\xEF\xBB\xBF" + thai.toUtf8())), thai);
}

TEST_F(VoqSqlScriptFile, ReadsUtf16WithBom) {
    const QString thai = QStringLiteral("select N'ข้าว'");
    QByteArray bytes("\xFF\xFE", 2);
    for (QChar c : thai) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    EXPECT_EQ(voqsql::readScriptFile(write("c.sql", bytes)), thai);
}

TEST_F(VoqSqlScriptFile, InvalidUtf8IsAnError) {
    // TIS-620 bytes for Thai are not UTF-8.
    const QString path = write("tis.sql", "select '\xA1\xD2\xC3'");
    try {
        voqsql::readScriptFile(path);
        FAIL() << "invalid UTF-8 was accepted";
    } catch (const ScriptError& e) {
        EXPECT_TRUE(e.message().contains(path));
    }
}

TEST_F(VoqSqlScriptFile, MissingFileIsAnErrorNamingIt) {
    const QString path = dir_.filePath("none.sql");
    try {
        voqsql::readScriptFile(path);
        FAIL() << "missing file was accepted";
    } catch (const ScriptError& e) {
        EXPECT_TRUE(e.message().contains(path));
    }
}
