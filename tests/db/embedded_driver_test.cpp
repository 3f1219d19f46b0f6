#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "db/Connection.h"
#include "dbcore/Error.h"
#include "tests/common/ResultRows.h"

namespace {

db::ProcArg arg(const QString& name, const QString& value) {
    return {name, db::FieldType::String, db::ParamDirection::Input, value};
}

}  // namespace

// Procedure calls through the embedded driver bind their arguments as a SQL Server client does.
class EmbeddedCallTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        {
            db::Connection master(QStringLiteral("EMBMASTER"));
            master.params().add(QStringLiteral("SERVER NAME=file:") + dir.path());
            master.execute(QStringLiteral("CREATE DATABASE CALLS"));
        }
        conn = std::make_unique<db::Connection>(QStringLiteral("EMBCALLS"));
        conn->params().add(QStringLiteral("DATABASE NAME=CALLS"));
        conn->params().add(QStringLiteral("SERVER NAME=file:") + dir.path());
        conn->execute(
            QStringLiteral("CREATE PROCEDURE Pair @First varchar(10), @Second "
                           "varchar(10), @Joined varchar(30) OUTPUT AS "
                           "SET @Joined = @First + '/' + @Second RETURN 7"));
    }

    QTemporaryDir dir;
    std::unique_ptr<db::Connection> conn;
};

TEST_F(EmbeddedCallTest, ArgumentsInDeclarationOrderReachTheirParameters) {
    std::vector<db::ProcArg> args{
        {"@Result", db::FieldType::Integer, db::ParamDirection::Result, {}},
        arg("@First", "a"),
        arg("@Second", "b"),
        {"@Joined", db::FieldType::String, db::ParamDirection::Output, {}}};
    EXPECT_EQ(conn->callProcedure(QStringLiteral("Pair"), args), 7);
    EXPECT_EQ(args[0].value.toInt(), 7);
    EXPECT_EQ(args[3].value.toString(), "a/b");
    EXPECT_EQ(args[1].value.toString(), "a") << "input values stay as given";
}

TEST_F(EmbeddedCallTest, ArgumentsGoByPositionNotByName) {
    std::vector<db::ProcArg> swapped{
        arg("@Second", "b"),
        arg("@First", "a"),
        {"@Joined", db::FieldType::String, db::ParamDirection::Output, {}}};
    conn->callProcedure(QStringLiteral("Pair"), swapped);
    EXPECT_EQ(swapped[2].value.toString(), "b/a");
}
