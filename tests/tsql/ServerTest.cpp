// The server directory: databases made and dropped while sessions use them, and files written
// by older engines.
#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

#include <QDir>

#include "TsqlFixture.h"
#include "tsql/Collation.h"

class ServerTest : public TsqlTest {
protected:
    QStringList filesInServer() const {
        return QDir(dir_.path()).entryList({QStringLiteral("*.sqlite*")}, QDir::Files, QDir::Name);
    }

    int errorIn(tsql::Session& session, const QString& sql) {
        try {
            session.execute(sql, {});
        } catch (const db::Error& e) {
            return e.nativeError();
        }
        return 0;
    }
};

TEST_F(ServerTest, ADatabaseInUseIsNotDropped) {
    tsql::Session master(dir_.path(), QStringLiteral("master"));
    run(QStringLiteral("create table T (i int) insert into T values (1), (2)"));
    EXPECT_EQ(errorIn(master, QStringLiteral("drop database Shop")), 3702);
    run(QStringLiteral("insert into T values (3)"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from T")), QStringLiteral("3"));

    // A session of master that read the database through a three-part name may drop it once
    // nobody else uses it.
    session_.reset();
    EXPECT_EQ(master.execute(QStringLiteral("select count(*) from Shop.dbo.T"), {})
                  .firstRowSet()
                  ->rowSet.rows[0][0]
                  .toInt(),
              3);
    tsql::Session reader(dir_.path(), QStringLiteral("master"));
    reader.execute(QStringLiteral("select count(*) from Shop.dbo.T"), {});
    EXPECT_EQ(errorIn(master, QStringLiteral("drop database Shop")), 3702);
    EXPECT_EQ(errorIn(reader, QStringLiteral("drop database Shop")), 0);
    EXPECT_TRUE(filesInServer().isEmpty()) << filesInServer().join(u' ').toStdString();
    EXPECT_EQ(errorIn(master, QStringLiteral("select count(*) from Shop.dbo.T")), 911);
}

TEST_F(ServerTest, FilesOfOlderEnginesAreBroughtOverToTheEnginesCollationName) {
    session_.reset();
    // An older engine declared SQLite's NOCASE and ordered its indexes with its own collation
    // under that name; a SQLite tool that rebuilt them since ordered them by SQLite's NOCASE.
    const QByteArray path = dir_.filePath(QStringLiteral("Shop.sqlite")).toUtf8();
    ASSERT_EQ(QFile::remove(QString::fromUtf8(path)), true);
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.constData(), &raw), SQLITE_OK);
    tsql::registerCollationAs(raw, "NOCASE");
    for (const char* sql :
         {"CREATE TABLE tsql_types (name TEXT PRIMARY KEY COLLATE NOCASE, definition TEXT NOT "
          "NULL, nullable INTEGER NOT NULL DEFAULT 1)",
          "CREATE TABLE tsql_procedures (name TEXT PRIMARY KEY COLLATE NOCASE, definition TEXT "
          "NOT NULL, created TEXT)",
          "CREATE TABLE tsql_constraints (name TEXT PRIMARY KEY COLLATE NOCASE, table_name TEXT "
          "NOT NULL COLLATE NOCASE, kind TEXT NOT NULL, columns TEXT, detail TEXT)",
          "CREATE TABLE tsql_views (name TEXT PRIMARY KEY COLLATE NOCASE, column_types TEXT NOT "
          "NULL)",
          "CREATE TABLE Units (Product int, UnitName nvarchar(20) COLLATE NOCASE, "
          "Note varchar(40) DEFAULT 'COLLATE NOCASE')",
          "CREATE INDEX \"Units.IxUnits\" ON Units (Product, UnitName)",
          "INSERT INTO Units (Product, UnitName) VALUES (1, 'ลัง'), (1, 'ชิ้น'), (1, 'box'), "
          "(2, 'ลัง'), (1, 'กล่อง')"})
        ASSERT_EQ(sqlite3_exec(raw, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    sqlite3_close(raw);
    ASSERT_EQ(sqlite3_open(path.constData(), &raw), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(raw, "REINDEX", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(raw);

    session_ = std::make_unique<tsql::Session>(dir_.path(), QStringLiteral("Shop"));
    EXPECT_EQ(rows(QStringLiteral("select UnitName from Units where Product = 1 and "
                                  "UnitName = N'ลัง'")),
              QStringList{QStringLiteral("ลัง")});
    EXPECT_EQ(rows(QStringLiteral("select Note from Units where UnitName = 'BOX'")),
              QStringList{QStringLiteral("COLLATE NOCASE")});
    session_.reset();

    ASSERT_EQ(sqlite3_open(path.constData(), &raw), SQLITE_OK);
    tsql::registerCollation(raw);
    sqlite3_stmt* st = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(raw,
                                 "SELECT count(*) FROM sqlite_master WHERE sql LIKE '%NOCASE%' "
                                 "UNION ALL SELECT count(*) FROM pragma_integrity_check "
                                 "WHERE integrity_check <> 'ok'",
                                 -1, &st, nullptr),
              SQLITE_OK)
        << sqlite3_errmsg(raw);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(st, 0), 1);  // the literal of the default stays as written
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(st, 0), 0);
    sqlite3_finalize(st);
    sqlite3_close(raw);
}

// A full disk, as the file size limit makes it: the statement fails with 1105, what was
// committed before stays, and a database that could not be made leaves no file behind.
TEST_F(ServerTest, AFullDiskEndsTheStatementWithError1105AndLosesNothing) {
    run(QStringLiteral("create table T (i int, s varchar(8000)) insert into T values (1, 'kept')"));
    session_.reset();
    tsql::Session master(dir_.path(), QStringLiteral("master"));
    session_ = std::make_unique<tsql::Session>(dir_.path(), QStringLiteral("Shop"));
    const QStringList before = filesInServer();

    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const struct rlimit full = {16 * 1024, limit.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &full), 0);
    QString message;
    QStringList values;
    for (int k = 0; k < 20; ++k)
        values << QStringLiteral("(2, replicate('x', 8000))");
    const int filling =
        errorOf(QStringLiteral("insert into T values ") + values.join(u','), &message);
    const int creating = errorIn(master, QStringLiteral("create database Extra"));
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);

    EXPECT_EQ(filling, 1105) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("'Shop'"))) << message.toStdString();
    EXPECT_EQ(creating, 1105);
    EXPECT_EQ(filesInServer(), before);
    EXPECT_EQ(rows(QStringLiteral("select i, s from T")), QStringList{QStringLiteral("1|kept")});
    EXPECT_EQ(errorIn(master, QStringLiteral("create database Extra")), 0);
}

// A server directory nobody may write, as an installation on read-only media: every database
// reads, and a change is refused with 3906. Run as a user without the right to write (root may
// write anywhere).
TEST_F(ServerTest, AReadOnlyServerDirectoryServesReads) {
    run(
        QStringLiteral("create table T (i int, s nvarchar(10)) create index IxS on T (s) "
                       "insert into T values (1, N'ลัง'), (2, N'ชิ้น')"));
    session_.reset();
    for (const QString& name : QDir(dir_.path()).entryList(QDir::Files))
        QFile::setPermissions(dir_.filePath(name), QFile::ReadOwner | QFile::ReadOther);
    QFile::setPermissions(dir_.path(),
                          QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    EXPECT_EXIT(
        {
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
                std::_Exit(2);
            tsql::Session reader(dir_.path(), QStringLiteral("Shop"));
            const db::BatchResult read =
                reader.execute(QStringLiteral("select i from T where s = N'ลัง'"), {});
            std::fprintf(stderr, "read %s, changed %d\n",
                         qPrintable(firstRowSetAsText(read).join(u',')),
                         errorIn(reader, QStringLiteral("update T set i = 3")));
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "read 1, changed 3906");
    QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
