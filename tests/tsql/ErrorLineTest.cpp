#include <gtest/gtest.h>

#include "tests/tsql/TsqlFixture.h"

using ErrorLineTest = TsqlTest;

TEST_F(ErrorLineTest, AnErrorCarriesTheLineOfTheStatementThatFailed) {
    try {
        run(
            QStringLiteral("declare @x int = 1\n"
                           "if @x = 1\n"
                           "begin\n"
                           "    set @x = 2\n"
                           "    set @x = @x / 0\n"
                           "end"));
        FAIL() << "no error";
    } catch (const db::Error& e) {
        EXPECT_EQ(e.nativeError(), 8134);
        EXPECT_EQ(e.line(), 5);  // the failing statement's, not its block's
    }
}

TEST_F(ErrorLineTest, ErrorLineGivesItInsideCatch) {
    EXPECT_EQ(scalar(QStringLiteral("declare @x int\n"
                                    "begin try\n"
                                    "    set @x = 1\n"
                                    "\n"
                                    "    select @x = 1 / 0\n"
                                    "end try\n"
                                    "begin catch\n"
                                    "    select error_line()\n"
                                    "end catch")),
              QStringLiteral("5"));
    EXPECT_EQ(scalar(QStringLiteral("select error_line()")), QStringLiteral("NULL"));
}
