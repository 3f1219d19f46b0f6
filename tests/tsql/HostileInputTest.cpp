// Hostile and malformed input: nothing of it reaches SQLite as code, deep nesting ends with a
// numbered error instead of a crash, and SQLite's own failures carry SQL Server's numbers.
#include <sqlite3.h>

#include <QDir>

#include "TsqlFixture.h"
#include "tsql/Database.h"

class HostileInputTest : public TsqlTest {
protected:
    QStringList filesInServer() const {
        return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    static QString repeated(const QString& piece, int times, const QString& separator = {}) {
        QStringList parts;
        for (int k = 0; k < times; ++k)
            parts << piece.arg(k);
        return parts.join(separator);
    }
};

TEST_F(HostileInputTest, NegatedNegativeNumbersStayNumbers) {
    EXPECT_EQ(scalar(QStringLiteral("select -(-1)")), QStringLiteral("1"));
    EXPECT_EQ(scalar(QStringLiteral("select - -1, -(-(-2)), 3 - -1, 3--1\n, -(-1.5)")),
              QStringLiteral("1|-2|4|3|1.5"));
}

TEST_F(HostileInputTest, OperatorsKeepTheirTSqlGrouping) {
    EXPECT_EQ(scalar(QStringLiteral("select 2 - (3 - 4), 2 * (3 + 4), 6 & 3 + 1, 1 | 2 & 3, "
                                    "2 - 3 - 4, 12 / 2 / 3, 7 % (5 % 3)")),
              QStringLiteral("3|14|3|3|-5|2|1"));
    EXPECT_EQ(scalar(QStringLiteral("select case when not 1 = 2 and (1 = 1 or 1 = 0) then 'y' "
                                    "else 'n' end, 'a' + ('b' + 'c') + 'd'")),
              QStringLiteral("y|abcd"));
}

TEST_F(HostileInputTest, TextAfterAStrayCommentMarkerStaysData) {
    const QString evil = dir_.filePath(QStringLiteral("evil.sqlite"));
    const QString text = QStringLiteral(
                             "x\n; attach database '%1' as evil; create table evil.t (a int); "
                             "select sqlite_version(), sql from sqlite_master; select '")
                             .arg(evil);
    QString literal = text;
    literal.replace(u'\'', QStringLiteral("''"));
    const QString select = QStringLiteral("select -(-1) as One, '%1' as Attack").arg(literal);
    const QStringList before = filesInServer();

    EXPECT_EQ(rows(select), QStringList{QStringLiteral("1|") + text});
    run(QStringLiteral("create view V as ") + select);
    EXPECT_EQ(rows(QStringLiteral("select * from V")), QStringList{QStringLiteral("1|") + text});
    EXPECT_EQ(filesInServer(), before);
    EXPECT_EQ(errorOf(QStringLiteral("select * from sqlite_master")), 208);
    EXPECT_EQ(errorOf(QStringLiteral("select sqlite_version()")), 195);
}

TEST_F(HostileInputTest, DeepNestingEndsWithError191) {
    const int deep = 10000;
    auto expect191 = [&](const QString& sql) {
        QString message;
        EXPECT_EQ(errorOf(sql, &message), 191) << sql.left(60).toStdString();
        EXPECT_EQ(message, QStringLiteral("Some part of your SQL statement is nested too deeply. "
                                          "Rewrite the query or break it down into smaller "
                                          "queries."));
    };
    expect191(QStringLiteral("select ") + QString(deep, u'(') + u'1' + QString(deep, u')'));
    expect191(QStringLiteral("select case when ") + repeated(QStringLiteral("not "), deep) +
              QStringLiteral("1 = 1 then 1 end"));
    expect191(repeated(QStringLiteral("if 1 = 1 "), deep) + QStringLiteral("print 'x'"));
    expect191(repeated(QStringLiteral("begin "), deep) + repeated(QStringLiteral("end "), deep));
    expect191(QStringLiteral("select ") + repeated(QStringLiteral("(select "), deep) + u'1' +
              QString(deep, u')'));
    expect191(QStringLiteral("select 1 from Grp ") +
              repeated(QStringLiteral("join Grp g%1 on 1 = 1 "), deep));
    // Nesting that SQL Server runs, runs here.
    EXPECT_EQ(scalar(QStringLiteral("select ") + QString(30, u'(') + u'7' + QString(30, u')')),
              QStringLiteral("7"));
}

TEST_F(HostileInputTest, LongFlatChainsRun) {
    EXPECT_EQ(scalar(QStringLiteral("select case when ") +
                     repeated(QStringLiteral("%1 = 0"), 1000, QStringLiteral(" or ")) +
                     QStringLiteral(" then 'hit' end")),
              QStringLiteral("hit"));
    EXPECT_EQ(scalar(QStringLiteral("select len(") +
                     repeated(QStringLiteral("'ab'"), 500, QStringLiteral(" + ")) + u')'),
              QStringLiteral("1000"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) where 999 in (") +
                     repeated(QStringLiteral("%1"), 1000, QStringLiteral(", ")) + u')'),
              QStringLiteral("1"));
    // Longer than SQLite takes: a numbered error, not a signal.
    const int e = errorOf(QStringLiteral("select ") +
                          repeated(QStringLiteral("1"), 10000, QStringLiteral(" + ")));
    EXPECT_TRUE(e == 0 || e == 191) << e;
}

TEST_F(HostileInputTest, IntegerArithmeticOverflowsAsOnSqlServer) {
    QString message;
    EXPECT_EQ(errorOf(QStringLiteral("select 2147483647 + 1"), &message), 8115);
    EXPECT_EQ(message,
              QStringLiteral("Arithmetic overflow error converting expression to data type int."));
    run(QStringLiteral("create table N (i int)"));
    EXPECT_EQ(errorOf(QStringLiteral("insert into N values (2147483647 + 1)")), 8115);
    EXPECT_EQ(errorOf(QStringLiteral("declare @i int = 65536 select @i * @i")), 8115);
    EXPECT_EQ(errorOf(QStringLiteral("select -(-2147483648)")), 8115);
    EXPECT_EQ(errorOf(QStringLiteral("select cast(9223372036854775807 as bigint) + 1")), 8115);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from N")), QStringLiteral("0"));
    run(QStringLiteral("insert into N values (2147483647), (1)"));
    EXPECT_EQ(errorOf(QStringLiteral("select sum(i) from N")), 8115);
    EXPECT_EQ(scalar(QStringLiteral("select 2147483647 + cast(1 as bigint), -2147483647 - 1")),
              QStringLiteral("2147483648|-2147483648"));
}

TEST_F(HostileInputTest, DivisionByZeroOfNothingIsNothing) {
    run(QStringLiteral("create table M (x int)"));
    EXPECT_EQ(scalar(QStringLiteral("select null / 0, max(x) / count(*), null % 0 from M")),
              QStringLiteral("NULL|NULL|NULL"));
    EXPECT_EQ(errorOf(QStringLiteral("select 1 / 0")), 8134);
    EXPECT_EQ(errorOf(QStringLiteral("select 1.5 % 0")), 8134);
    EXPECT_EQ(scalar(QStringLiteral("select 7 / 2, 7 % -3, 5.5 % 2, 7.0 / 2")),
              QStringLiteral("3|1|1.5|3.5"));
}

TEST_F(HostileInputTest, SqlitesLimitsReachTheUserAsNumberedErrors) {
    QString message;
    const int columns = errorOf(QStringLiteral("select ") + repeated(QStringLiteral("%1 as c%1"),
                                                                     3000, QStringLiteral(", ")),
                                &message);
    EXPECT_EQ(columns, 8623) << message.toStdString();
    EXPECT_EQ(errorOf(QStringLiteral("select replicate('x', 100) + replicate('y', 100)")), 0);
    // A text not of a max type ends at 8000 bytes; one of a max type at SQLite's limit.
    EXPECT_EQ(scalar(QStringLiteral(
                  "select len(replicate('ab', 2000000000)), len(replicate(N'ก', 9000))")),
              QStringLiteral("8000|4000"));
    EXPECT_NE(
        errorOf(QStringLiteral("select len(replicate(cast('ab' as varchar(max)), 2000000000))")),
        0);
}

// The second line of defence, should a translation ever carry SQLite text of its own.
TEST_F(HostileInputTest, TranslationsOnlyReadAndWriteRowsOfOneStatement) {
    run(QStringLiteral("create table T (i int) insert into T values (1)"));
    tsql::Database db(dir_.filePath(QStringLiteral("Shop.sqlite")), nullptr);
    auto failureOf = [&](const QByteArray& sql) {
        try {
            tsql::Database::TranslationScope scope(db);
            sqlite3_stmt* st = db.prepareTranslation(sql);
            const int rc = sqlite3_step(st);
            sqlite3_reset(st);
            return rc == SQLITE_ROW || rc == SQLITE_DONE ? 0 : rc;
        } catch (const db::Error& e) {
            return e.nativeError();
        }
    };
    EXPECT_EQ(failureOf("SELECT i FROM main.T"), 0);
    EXPECT_EQ(failureOf("UPDATE main.T SET i = 2"), 0);
    for (const QByteArray& sql :
         {QByteArray("ATTACH DATABASE 'x.sqlite' AS x"), QByteArray("PRAGMA writable_schema = 1"),
          QByteArray("SELECT sql FROM main.sqlite_master"), QByteArray("SELECT sqlite_version()"),
          QByteArray("DELETE FROM main.tsql_procedures"), QByteArray("DROP TABLE main.T"),
          QByteArray("SELECT load_extension('x')"), QByteArray("SELECT 1; SELECT 2")})
        EXPECT_EQ(failureOf(sql), 8630) << sql.toStdString();
    EXPECT_FALSE(QFile::exists(dir_.filePath(QStringLiteral("x.sqlite"))));
}

// A schema change, this connection's or another's, replaces the catalogue entries of every
// table; a statement translated against the old ones still reads its target after it ran.
TEST_F(HostileInputTest, StatementsKeepTheirTargetsThroughSchemaChanges) {
    run(QStringLiteral("create table I (Id int identity(10, 1) not null primary key, v int)"));
    const QString insert = QStringLiteral("insert into I (v) values (1) select scope_identity()");
    EXPECT_EQ(scalar(insert), QStringLiteral("10"));
    run(QStringLiteral("create table Z (a int)"));
    EXPECT_EQ(scalar(insert), QStringLiteral("11"));
    tsql::Session other(dir_.path(), QStringLiteral("Shop"));
    other.execute(QStringLiteral("create table Y (a int) alter table I add w int null"), {});
    EXPECT_EQ(scalar(insert), QStringLiteral("12"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*), max(Id), count(w) from I")),
              QStringLiteral("3|12|0"));
}
