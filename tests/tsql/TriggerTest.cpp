// AFTER triggers as the database file and other connections hold them.
#include "TsqlFixture.h"

class TriggerTest : public TsqlTest {
protected:
    void SetUp() override {
        TsqlTest::SetUp();
        run(QStringLiteral("create table Doc (Id int identity, Amount int)"));
        run(QStringLiteral("create table Audit (DocId int, Amount int)"));
    }

    static QString auditTrigger() {
        return QStringLiteral(
            "create trigger DocAudit on Doc after insert as\n"
            "set nocount on\n"
            "insert into Audit select Id, Amount from inserted");
    }

    QString audited() { return rows(QStringLiteral("select DocId from Audit")).join(u','); }
};

TEST_F(TriggerTest, ATriggerIsKeptInTheDatabaseFile) {
    run(auditTrigger());
    session_ = std::make_unique<tsql::Session>(dir_.path(), QStringLiteral("Shop"));
    run(QStringLiteral("insert into Doc (Amount) values (5)"));
    EXPECT_EQ(audited(), QStringLiteral("1"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from sys.triggers where parent_id = "
                                    "object_id('Doc') and name = 'DocAudit'")),
              QStringLiteral("1"));
}

// Another connection's CREATE and DROP are seen by this connection's next statement.
TEST_F(TriggerTest, AnotherConnectionsTriggerFiresFromTheNextStatement) {
    run(QStringLiteral("insert into Doc (Amount) values (1)"));
    tsql::Session other(dir_.path(), QStringLiteral("Shop"));
    other.execute(auditTrigger(), {});
    run(QStringLiteral("insert into Doc (Amount) values (2)"));
    EXPECT_EQ(audited(), QStringLiteral("2"));
    other.execute(QStringLiteral("drop trigger DocAudit"), {});
    run(QStringLiteral("insert into Doc (Amount) values (3)"));
    EXPECT_EQ(audited(), QStringLiteral("2"));
}

// A trigger created in a transaction that is rolled back is gone with it.
TEST_F(TriggerTest, RollingBackTheCreationRemovesTheTrigger) {
    run(QStringLiteral("begin tran"));
    run(auditTrigger());
    run(QStringLiteral("insert into Doc (Amount) values (1)"));
    EXPECT_EQ(audited(), QStringLiteral("1"));
    run(QStringLiteral("rollback"));
    run(QStringLiteral("insert into Doc (Amount) values (2)"));
    EXPECT_EQ(audited(), QString());
}

// The statement and its trigger are one transaction: when the trigger fails, the statement's
// rows are gone too, and the session has no transaction left open.
TEST_F(TriggerTest, AFailingTriggerTakesTheStatementWithIt) {
    run(
        QStringLiteral("create trigger DocCheck on Doc after insert as "
                       "insert into Audit (DocId) select 1 / 0 from inserted"));
    EXPECT_EQ(errorOf(QStringLiteral("insert into Doc (Amount) values (1)")), 8134);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Doc")), QStringLiteral("0"));
    EXPECT_EQ(scalar(QStringLiteral("select @@trancount")), QStringLiteral("0"));
}
