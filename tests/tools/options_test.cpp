#include <gtest/gtest.h>

#include "tools/voqsql/Options.h"

using voqsql::Options;
using voqsql::parseArguments;
using voqsql::UsageError;

namespace {

QString usageErrorOf(const QStringList& args) {
    try {
        parseArguments(args);
    } catch (const UsageError& e) {
        return e.message();
    }
    return QStringLiteral("<accepted>");
}

}  // namespace

TEST(VoqSqlOptions, ConnectionAndQuery) {
    const Options o = parseArguments({"-S", "SRV01\\SQLEXPRESS", "-d", "DMDATA", "-U", "sa", "-P",
                                      "", "-t", "30", "-Q", "select 1"});
    EXPECT_EQ(o.server, "SRV01\\SQLEXPRESS");
    EXPECT_EQ(o.database, "DMDATA");
    EXPECT_TRUE(o.hasUser);
    EXPECT_EQ(o.user, "sa");
    EXPECT_TRUE(o.hasPassword);  // an empty password is still a password
    EXPECT_EQ(o.password, "");
    EXPECT_EQ(o.queryTimeout, 30);
    EXPECT_TRUE(o.hasQuery);
    EXPECT_EQ(o.query, "select 1");
}

TEST(VoqSqlOptions, AttachedValues) {
    const Options o = parseArguments({"-SSRV01", "-dDMDATA", "-h-1", "-s,", "-Qselect 1"});
    EXPECT_EQ(o.server, "SRV01");
    EXPECT_EQ(o.database, "DMDATA");
    EXPECT_EQ(o.headers, -1);
    EXPECT_EQ(o.separator, ",");
    EXPECT_EQ(o.query, "select 1");
}

TEST(VoqSqlOptions, ValuesThatLookLikeOptionsAfterTheirOption) {
    // "-h -1": the value of -h starts with a dash.
    const Options o = parseArguments({"-S", "x", "-h", "-1", "-Q", "-- just a comment"});
    EXPECT_EQ(o.headers, -1);
    EXPECT_EQ(o.query, "-- just a comment");
}

TEST(VoqSqlOptions, InputFilesKeepTheirOrder) {
    const Options o = parseArguments({"-S", "x", "-i", "b.sql", "-i", "a.sql", "-b", "-W", "-x"});
    EXPECT_EQ(o.inputFiles, QStringList({"b.sql", "a.sql"}));
    EXPECT_TRUE(o.exitOnError);
    EXPECT_TRUE(o.trim);
    EXPECT_FALSE(o.substitute);
}

TEST(VoqSqlOptions, VariablesRepeatedOrListedAfterOneV) {
    const Options o = parseArguments(
        {"-S", "x", "-v", "Year=2567", "Name=สมชาย", "-v", "expr=a=b", "-v", "empty=", "-Q", "q"});
    EXPECT_EQ(o.variables.value("YEAR"), "2567");
    EXPECT_EQ(o.variables.value("name"), "สมชาย");
    EXPECT_EQ(o.variables.value("expr"), "a=b");  // split at the first '='
    EXPECT_EQ(o.variables.value("empty"), "");
    EXPECT_EQ(o.query, "q");
}

TEST(VoqSqlOptions, MissingPiecesAreUsageErrors) {
    EXPECT_TRUE(usageErrorOf({}).contains("-S"));
    EXPECT_TRUE(usageErrorOf({"-Q", "select 1"}).contains("-S"));
    EXPECT_TRUE(usageErrorOf({"-S", "x"}).contains("-Q"));
    EXPECT_TRUE(usageErrorOf({"-S", "x", "-Q"}).contains("-Q needs a value"));
    EXPECT_TRUE(usageErrorOf({"-S", "x", "-Q", "a", "-i", "f"}).contains("together"));
    EXPECT_TRUE(usageErrorOf({"-S", "x", "-Q", "a", "-Q", "b"}).contains("once"));
}

TEST(VoqSqlOptions, BadValuesAreUsageErrorsNamingThem) {
    EXPECT_TRUE(usageErrorOf({"-S", "x", "-Q", "q", "-t", "soon"}).contains("'soon'"));
    EXPECT_TRUE(usageErrorOf({"-S", "x", "-Q", "q", "-t", "-5"}).contains("'-5'"));
    EXPECT_TRUE(usageErrorOf({"-S", "x", "-Q", "q", "-h", "-2"}).contains("'-2'"));
    EXPECT_TRUE(usageErrorOf({"-S", "x", "-Q", "q", "-s", ""}).contains("-s"));
    EXPECT_TRUE(usageErrorOf({"-S", "x", "-Q", "q", "-v", "noequals"}).contains("'noequals'"));
    EXPECT_TRUE(usageErrorOf({"-S", "x", "-Q", "q", "-v", "bad name=1"}).contains("'bad name'"));
    EXPECT_TRUE(usageErrorOf({"-S", "x", "-Q", "q", "-v", "=1"}).contains("''"));
}

TEST(VoqSqlOptions, UnknownOptionsAndStrayArgumentsAreUsageErrors) {
    EXPECT_TRUE(usageErrorOf({"-S", "x", "-Q", "q", "-z"}).contains("'-z'"));
    EXPECT_TRUE(usageErrorOf({"-S", "x", "-Q", "q", "-bW"}).contains("'-bW'"));
    EXPECT_TRUE(usageErrorOf({"-S", "x", "-Q", "q", "stray"}).contains("'stray'"));
    // Options are case-sensitive as in sqlcmd: -q is not -Q.
    EXPECT_TRUE(usageErrorOf({"-S", "x", "-q", "select 1"}).contains("'-q'"));
}
