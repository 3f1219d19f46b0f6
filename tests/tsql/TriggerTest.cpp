// Triggers as the database file and other connections hold them, and INSTEAD OF triggers.
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

// ---- INSTEAD OF triggers ----

// A table or view has one INSTEAD OF trigger for each statement; ALTER of that trigger and an
// INSTEAD OF trigger for another statement are allowed.
TEST_F(TriggerTest, ASecondInsteadOfTriggerForTheSameStatementIsRefused) {
    run(QStringLiteral("create trigger DocInstead on Doc instead of insert, update as print 1"));
    EXPECT_EQ(
        errorOf(QStringLiteral("create trigger DocOther on Doc instead of update as print 2")),
        2111);
    run(QStringLiteral("alter trigger DocInstead on Doc instead of update as print 3"));
    run(QStringLiteral("create trigger DocOther on Doc instead of insert, delete as print 4"));
    run(QStringLiteral("create trigger DocAfter on Doc after insert as print 5"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from sys.triggers where parent_id = "
                                    "object_id('Doc')")),
              QStringLiteral("3"));
}

// @@ROWCOUNT after the statement counts the rows it would have written, whatever the trigger
// wrote; identity values the trigger's own INSERT makes are the table's next ones.
TEST_F(TriggerTest, TheReplacedStatementCountsItsRows) {
    run(QStringLiteral("insert into Doc (Amount) values (1)"));
    run(
        QStringLiteral("create trigger DocInstead on Doc instead of insert as "
                       "insert into Doc (Amount) select Amount from inserted where Amount > 5"));
    EXPECT_EQ(scalar(QStringLiteral("insert into Doc (Amount) values (2), (7), (9) "
                                    "select @@rowcount")),
              QStringLiteral("3"));
    EXPECT_EQ(rows(QStringLiteral("select Id from Doc order by Id")).join(u','),
              QStringLiteral("1,2,3"));
}

// An error in the trigger takes back what it wrote; the statement wrote nothing of its own.
TEST_F(TriggerTest, AFailingInsteadOfTriggerLeavesNothing) {
    run(
        QStringLiteral("create trigger DocInstead on Doc instead of insert as "
                       "insert into Audit select 1, Amount / 0 from inserted"));
    EXPECT_EQ(errorOf(QStringLiteral("insert into Doc (Amount) values (1)")), 8134);
    EXPECT_EQ(scalar(QStringLiteral("select (select count(*) from Doc) + (select count(*) from "
                                    "Audit)")),
              QStringLiteral("0"));
}

// A view's INSTEAD OF trigger belongs to the view and goes with it; AFTER triggers on views
// stay refused.
TEST_F(TriggerTest, AViewsTriggerGoesWithTheView) {
    run(QStringLiteral("create view Big as select Id, Amount from Doc where Amount > 10"));
    EXPECT_EQ(errorOf(QStringLiteral("create trigger BigAfter on Big after insert as print 1")),
              40000);
    run(
        QStringLiteral("create trigger BigInstead on Big instead of insert as "
                       "insert into Audit select 0, Amount from inserted"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from sys.triggers where parent_id = "
                                    "object_id('Big')")),
              QStringLiteral("1"));
    run(QStringLiteral("insert into Big (Id, Amount) values (1, 3)"));
    EXPECT_EQ(scalar(QStringLiteral("select Amount from Audit")), QStringLiteral("3"));
    run(QStringLiteral("drop view Big"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from sys.triggers")), QStringLiteral("0"));
}
