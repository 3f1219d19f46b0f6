// Schema statements, the catalogue views, the server directory and the files' readability.
#include <sqlite3.h>

#include "TsqlFixture.h"
#include "tsql/Errors.h"

TEST_F(TsqlTest, CreateTableWithTypesDefaultsKeysAndAliasTypes) {
    run(QStringLiteral(
        "CREATE TYPE IdNo FROM int NOT NULL\n"
        "CREATE TYPE CharFlag FROM char(1) NULL\n"
        "CREATE TABLE Doc (Id IdNo identity(100, 1) not null, Code varchar(10) not null, "
        "Active CharFlag default 'Y', Made datetime default GetDate(), Qty decimal(9,3) default 0, "
        "Owner IdNo, constraint PK_Doc primary key nonclustered (Id), "
        "constraint UQ_DocCode unique (Code))"));
    run(QStringLiteral("insert into Doc (Code, Owner) values ('D1', 1)"));
    EXPECT_EQ(
        scalar(QStringLiteral("select Id, Active, Qty, case when Made is null then 0 else 1 end "
                              "from Doc")),
        QStringLiteral("100|Y|0|1"));
    // IdNo is NOT NULL by its type.
    EXPECT_EQ(errorOf(QStringLiteral("insert into Doc (Code) values ('D2')")), 515);
    EXPECT_EQ(scalar(QStringLiteral(
                  "select count(*) from SysObjects where Name in ('PK_Doc', 'UQ_DocCode')")),
              QStringLiteral("2"));
    EXPECT_EQ(scalar(QStringLiteral(
                  "select count(*) from systypes where name in ('IdNo', 'CharFlag', 'int')")),
              QStringLiteral("3"));
    EXPECT_EQ(errorOf(QStringLiteral("CREATE TABLE Doc (Id int)")), 2714);
    EXPECT_EQ(errorOf(QStringLiteral("CREATE TYPE IdNo FROM int")), 219);
    EXPECT_EQ(errorOf(QStringLiteral("CREATE TABLE Bad (X NoSuchType)")), 2715);
    // A failed CREATE TABLE leaves nothing behind.
    EXPECT_NE(errorOf(QStringLiteral("CREATE TABLE Half (A int constraint PK_Doc primary key)")),
              0);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from SysObjects where Name = 'Half'")),
              QStringLiteral("0"));
}

TEST_F(TsqlTest, AlterTableAddsColumnsAndConstraintsOnce) {
    run(
        QStringLiteral("create table Menu (Id int not null primary key, Command varchar(50))\n"
                       "insert into Menu values (1, 'X')"));
    const QString add = QStringLiteral(
        "if not exists (select Id from SysColumns where Name = 'Version' and Id = "
        "(select Id from SysObjects where Name = 'Menu')) alter table Menu add Version int null, "
        "Flag char(1) not null default 'N'");
    run(add);
    run(add);
    EXPECT_EQ(
        scalar(QStringLiteral("select count(*) from SysColumns where Id = OBJECT_ID('Menu')")),
        QStringLiteral("4"));
    EXPECT_EQ(scalar(QStringLiteral("select Version, Flag from Menu")), QStringLiteral("NULL|N"));
    EXPECT_EQ(errorOf(QStringLiteral("alter table Menu add Version int")), 2705);
    EXPECT_EQ(errorOf(QStringLiteral("alter table Menu add Must int not null")), 4901);
    run(QStringLiteral("alter table Menu add constraint UQ_MenuCommand unique (Command)"));
    EXPECT_EQ(errorOf(QStringLiteral("insert into Menu (Id, Command) values (2, 'x')")), 2627);
    run(QStringLiteral("alter table Menu drop constraint UQ_MenuCommand"));
    run(QStringLiteral("insert into Menu (Id, Command) values (2, 'x')"));
    EXPECT_EQ(errorOf(QStringLiteral("alter table Menu drop constraint Nope")), 3728);
}

TEST_F(TsqlTest, IndexesViewsAndDrops) {
    run(QStringLiteral(
        "create table T (Id int identity not null primary key, Code varchar(10), N int)\n"
        "create index IxTCode on T (Code)\n"
        "create view VT as select Code, N * 2 Twice from T where N > 0\n"
        "insert into T (Code, N) values ('a', 1), ('b', -1)"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from sysindexes where name = 'IxTCode' and "
                                    "id = OBJECT_ID('T')")),
              QStringLiteral("1"));
    EXPECT_EQ(rows(QStringLiteral("select * from VT")), QStringList{QStringLiteral("a|2")});
    // Computed view columns keep their T-SQL types.
    run(
        QStringLiteral("create view VD as select DateAdd(day, 1, '2024-01-31') Next, "
                       "Cast(N As Decimal(9,2)) / 4 Part from T"));
    db::BatchResult r = run(QStringLiteral("select Next, Part from VD where Part > 0"));
    ASSERT_EQ(r.firstRowSet()->rowSet.rows.size(), 1u);
    EXPECT_EQ(r.firstRowSet()->rowSet.columns[0].type, db::FieldType::DateTime);
    EXPECT_EQ(r.firstRowSet()->rowSet.rows[0][0].toDateTime().date(), QDate(2024, 2, 1));
    EXPECT_DOUBLE_EQ(r.firstRowSet()->rowSet.rows[0][1].toDouble(), 0.25);
    EXPECT_EQ(errorOf(QStringLiteral("create view VT as select 1 x")), 2714);
    EXPECT_EQ(errorOf(QStringLiteral("create view VX as select Code + 'x' from T")), 4511);
    run(QStringLiteral("drop index T.IxTCode drop view VT"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from sysindexes where name = 'IxTCode'")),
              QStringLiteral("0"));
    EXPECT_EQ(errorOf(QStringLiteral("select * from VT")), 208);
    EXPECT_EQ(errorOf(QStringLiteral("drop table Nothing")), 3701);
    run(QStringLiteral("drop table if exists Nothing drop table T"));
    EXPECT_EQ(errorOf(QStringLiteral("select * from T")), 208);
}

// Each unique key but a primary key has a guard of its NULLs beside it, which the catalogue does
// not show; a unique index refused over repeated NULLs leaves neither behind.
TEST_F(TsqlTest, UniqueIndexesKeepTheGuardsOfTheirNullsOutOfSight) {
    run(
        QStringLiteral("create table T (A int not null, B varchar(5), C int, D int, "
                       "constraint PK_T primary key (A), constraint UQ_T_B unique (B))\n"
                       "create unique index IX_T_C on T (C desc)\n"
                       "insert into T values (1, null, null, null), (2, 'x', 5, null)"));
    const QString count = QStringLiteral(
        "select count(*) from sys.indexes where object_id = "
        "OBJECT_ID('T')");
    EXPECT_EQ(scalar(count), QStringLiteral("3"));
    run(
        QStringLiteral("create unique index IX_T_BC on T (B, C)\n"
                       "create unique index IX_T_CB on T (C, B)\n"
                       "drop index T.IX_T_BC"));
    EXPECT_EQ(scalar(count), QStringLiteral("4"));
    // D's NULLs repeat: the index is made, then its guard is refused.
    EXPECT_EQ(errorOf(QStringLiteral("create unique index IX_T_D on T (D)")),
              tsql::err::DuplicateKeyFound);
    EXPECT_EQ(scalar(count), QStringLiteral("4"));
    EXPECT_EQ(errorOf(QStringLiteral("drop index T.IX_T_D")), 3701);
    run(QStringLiteral("insert into T values (3, 'y', 6, null)"));
}

TEST_F(TsqlTest, MasterListsAndMakesDatabases) {
    tsql::Session master(dir_.path(), QStringLiteral("master"));
    auto names = [&] {
        QStringList out;
        db::BatchResult r =
            master.execute(QStringLiteral("select name from SysDatabases order by name"), {});
        for (const auto& row : r.firstRowSet()->rowSet.rows)
            out << row[0].toString();
        return out;
    };
    EXPECT_EQ(names(), (QStringList{QStringLiteral("master"), QStringLiteral("Shop")}));
    master.execute(QStringLiteral("if not exists (select * from SysDatabases where Name = 'Extra') "
                                  "create database Extra"),
                   {});
    EXPECT_TRUE(QFile::exists(dir_.filePath(QStringLiteral("Extra.sqlite"))));
    EXPECT_EQ(names().size(), 3);
    try {
        master.execute(QStringLiteral("create database extra"), {});
        FAIL() << "created twice";
    } catch (const db::Error& e) {
        EXPECT_EQ(e.nativeError(), 1801);
    }
    master.execute(QStringLiteral("drop database Extra"), {});
    EXPECT_FALSE(QFile::exists(dir_.filePath(QStringLiteral("Extra.sqlite"))));
    // CREATE DATABASE belongs to master.
    EXPECT_NE(errorOf(QStringLiteral("create database Nope")), 0);
    try {
        tsql::Session missing(dir_.path(), QStringLiteral("Missing"));
        FAIL() << "opened a database that does not exist";
    } catch (const db::Error& e) {
        EXPECT_EQ(e.nativeError(), 4060);
    }
    try {
        tsql::Session noServer(dir_.filePath(QStringLiteral("nowhere")), QStringLiteral("master"));
        FAIL() << "opened a server directory that does not exist";
    } catch (const db::Error& e) {
        EXPECT_TRUE(e.isServerError());
    }
}

TEST_F(TsqlTest, DatabaseFilesAreReadByOtherSqliteToolsThroughTheEngineExtension) {
    run(QStringLiteral(
        "create table Item (Id int identity not null primary key, Name nvarchar(20), "
        "Price money, Made datetime)\n"
        "create index IxItemName on Item (Name)\n"
        "insert into Item (Name, Price, Made) values (N'ไก่', 12.5, '05/01/2024')\n"
        "create table Amount (v decimal(20,10))\n"
        "create index IxAmount on Amount (v)\n"
        "insert into Amount values (10.5), (9.25), (100), (-3), (412345678.1234567891)"));
    session_.reset();  // closes the connection, which checkpoints the journal
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open_v2(dir_.filePath(QStringLiteral("Shop.sqlite")).toUtf8().constData(),
                              &raw, SQLITE_OPEN_READONLY, nullptr),
              SQLITE_OK);
    sqlite3_stmt* st = nullptr;
    // Without the extension the text index cannot be used, rather than read in another order.
    EXPECT_NE(sqlite3_prepare_v2(raw, "SELECT Id FROM Item WHERE Name = 'x'", -1, &st, nullptr),
              SQLITE_OK);
    EXPECT_STREQ(sqlite3_errmsg(raw), "no such collation sequence: THAI_CI_AS");
    sqlite3_enable_load_extension(raw, 1);
    char* failure = nullptr;
    ASSERT_EQ(sqlite3_load_extension(raw, VOQ_SQLITE_EXTENSION, nullptr, &failure), SQLITE_OK)
        << failure;
    ASSERT_EQ(sqlite3_prepare_v2(raw, "SELECT Name, Price, Made FROM Item WHERE Name = 'ไก่'", -1,
                                 &st, nullptr),
              SQLITE_OK)
        << sqlite3_errmsg(raw);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 2)),
                 "2024-05-01 00:00:00.000");
    EXPECT_DOUBLE_EQ(sqlite3_column_double(st, 1), 12.5);
    sqlite3_finalize(st);
    // Decimals read as the numbers they are, every digit kept, their index in numeric order.
    ASSERT_EQ(
        sqlite3_prepare_v2(raw, "SELECT v FROM Amount WHERE v > 9.3 ORDER BY v", -1, &st, nullptr),
        SQLITE_OK)
        << sqlite3_errmsg(raw);
    QStringList values;
    while (sqlite3_step(st) == SQLITE_ROW)
        values << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    EXPECT_EQ(values,
              QStringList({QStringLiteral("10.5000000000"), QStringLiteral("100.0000000000"),
                           QStringLiteral("412345678.1234567891")}));
    ASSERT_EQ(sqlite3_prepare_v2(raw, "EXPLAIN QUERY PLAN SELECT v FROM Amount WHERE v > 9.3", -1,
                                 &st, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_TRUE(QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(st, 3)))
                    .contains("USING COVERING INDEX"));
    sqlite3_finalize(st);
    ASSERT_EQ(sqlite3_prepare_v2(raw, "PRAGMA integrity_check", -1, &st, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "ok");
    sqlite3_finalize(st);
    sqlite3_close(raw);
}

TEST_F(TsqlTest, TemporaryTablesBelongToTheirConnection) {
    run(
        QStringLiteral("create table #k (id int primary key, note varchar(10))\n"
                       "insert into #k values (1, 'a'), (2, 'b')"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from #k")), QStringLiteral("2"));
    EXPECT_EQ(errorOf(QStringLiteral("insert into #k values (1, 'again')")), 2627);
    EXPECT_EQ(scalar(QStringLiteral(
                  "select case when OBJECT_ID('tempdb..#k') is null then 0 else 1 end")),
              QStringLiteral("1"));
    tsql::Session other(dir_.path(), QStringLiteral("Shop"));
    try {
        other.execute(QStringLiteral("select * from #k"), {});
        FAIL() << "another connection saw the temporary table";
    } catch (const db::Error& e) {
        EXPECT_EQ(e.nativeError(), 208);
    }
    run(QStringLiteral("if OBJECT_ID('tempdb..#k') is not null drop table #k"));
    EXPECT_EQ(errorOf(QStringLiteral("select * from #k")), 208);
    // Nothing of it is in the database file.
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from SysObjects where Name like '#%'")),
              QStringLiteral("0"));
}

TEST_F(TsqlTest, ForeignKeysAreAddedToAndDroppedFromExistingTables) {
    run(QStringLiteral(
        "create table Misc (Id int identity not null primary key, Code varchar(10))\n"
        "create table Bal (Id int identity not null primary key, CurrencyId int null)\n"
        "insert into Misc (Code) values ('THB')\n"
        "insert into Bal (CurrencyId) values (1)"));
    run(QStringLiteral(
        "alter table Bal add constraint CurrencyId_Refer_Bal foreign key (CurrencyId) "
        "references Misc (Id)"));
    EXPECT_EQ(errorOf(QStringLiteral("insert into Bal (CurrencyId) values (9)")), 547);
    EXPECT_EQ(scalar(QStringLiteral(
                  "select count(*) from SysObjects where Name = 'CurrencyId_Refer_Bal'")),
              QStringLiteral("1"));
    run(QStringLiteral("alter table Bal drop constraint CurrencyId_Refer_Bal"));
    run(QStringLiteral("insert into Bal (CurrencyId) values (9)"));
    // A key that the rows already break is refused and leaves the table as it was.
    EXPECT_EQ(
        errorOf(QStringLiteral("alter table Bal add constraint FK_Again foreign key (CurrencyId) "
                               "references Misc (Id)")),
        547);
    run(QStringLiteral("insert into Bal (CurrencyId) values (8)"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Bal")), QStringLiteral("3"));
}

namespace {

// The declaration the database file holds for an object, read with SQLite itself.
QString storedSql(const QString& file, const QString& name) {
    sqlite3* raw = nullptr;
    QString sql;
    if (sqlite3_open_v2(file.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(raw, "SELECT sql FROM sqlite_master WHERE name = ?1", -1, &st, nullptr);
        const QByteArray n = name.toUtf8();
        sqlite3_bind_text(st, 1, n.constData(), int(n.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(st) == SQLITE_ROW)
            sql = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
    }
    sqlite3_close(raw);
    return sql;
}

// Runs `sql` on the database file with SQLite itself, as another tool would.
void rawExec(const QString& file, const char* sql) {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(file.toUtf8().constData(), &raw), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(raw, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(raw);
    sqlite3_close(raw);
}

const char* const kBalances =
    "create table Misc (Id int identity not null primary key, Code varchar(10))\n"
    "create table Bal (Id int identity(10, 1) not null primary key, CurrencyId int null, "
    "Owner int null references Misc (Id), Code varchar(10) not null default 'B', "
    "Amount decimal(9,2), constraint UQ_BalCode unique (Code))\n"
    "create index IxBalAmount on Bal (Amount)\n"
    "create table Line (Id int identity not null primary key, Bal int not null references Bal)\n"
    "create view BalView as select Code, Amount from Bal\n"
    "insert into Misc (Code) values ('THB')\n"
    "insert into Bal (CurrencyId, Code, Amount) values (1, 'A', 1.50), (null, 'Z', 2)\n"
    "delete from Bal where Code = 'Z'\n"
    "insert into Line (Bal) values (10)";

}  // namespace

// Adding or dropping a foreign key declares the table anew; everything else of it stays.
TEST_F(TsqlTest, ForeignKeyChangesKeepRowsIndexesKeysAndTheIdentityCounter) {
    run(QString::fromUtf8(kBalances));
    run(
        QStringLiteral("alter table Bal add constraint CurrencyId_Refer_Bal foreign key "
                       "(CurrencyId) references Misc (Id)"));
    EXPECT_EQ(errorOf(QStringLiteral("insert into Bal (CurrencyId, Code) values (9, 'C')")), 547);
    EXPECT_EQ(rows(QStringLiteral("select Id, CurrencyId, Code, Amount from Bal")),
              QStringList{QStringLiteral("10|1|A|1.5")});
    // The counter goes on past the deleted row and the value the failed insert used up; the
    // default and the unique key hold.
    run(QStringLiteral("insert into Bal (Amount) values (3)"));
    EXPECT_EQ(scalar(QStringLiteral("select Id, Code from Bal where Amount = 3")),
              QStringLiteral("13|B"));
    EXPECT_EQ(errorOf(QStringLiteral("insert into Bal (Code) values ('A')")), 2627);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from sysindexes where name = 'IxBalAmount'")),
              QStringLiteral("1"));
    // Keys that refer to the table, and the table's other key, still hold; the view reads it.
    EXPECT_EQ(errorOf(QStringLiteral("delete from Bal where Id = 10")), 547);
    EXPECT_EQ(errorOf(QStringLiteral("insert into Line (Bal) values (99)")), 547);
    EXPECT_EQ(errorOf(QStringLiteral("insert into Bal (Owner, Code) values (9, 'O')")), 547);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from BalView")), QStringLiteral("2"));

    run(QStringLiteral("alter table Bal drop constraint CurrencyId_Refer_Bal"));
    run(QStringLiteral("insert into Bal (CurrencyId, Code) values (9, 'C')"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from SysObjects where Name = "
                                    "'CurrencyId_Refer_Bal'")),
              QStringLiteral("0"));
    EXPECT_EQ(errorOf(QStringLiteral("insert into Bal (Owner, Code) values (9, 'O')")), 547);
    EXPECT_EQ(errorOf(QStringLiteral("delete from Bal where Id = 10")), 547);
    EXPECT_EQ(scalar(QStringLiteral("select max(Id) from Bal")), QStringLiteral("16"));
    // The key declared with its column goes by its name as well.
    const QString owner =
        scalar(QStringLiteral("select Name from SysObjects where Name like 'FK__BAL%'"));
    run(QStringLiteral("alter table Bal drop constraint ") + owner);
    run(QStringLiteral("insert into Bal (Owner, Code) values (9, 'O')"));
}

TEST_F(TsqlTest, AForeignKeyChangeThatFailsLeavesTheTableAsItWas) {
    run(QString::fromUtf8(kBalances));
    run(QStringLiteral("update Bal set CurrencyId = 7"));
    const QString file = dir_.filePath(QStringLiteral("Shop.sqlite"));
    const QString before = storedSql(file, QStringLiteral("Bal"));
    ASSERT_FALSE(before.isEmpty());
    // The row breaks the new key.
    EXPECT_EQ(errorOf(QStringLiteral("alter table Bal add constraint FK_Bal foreign key "
                                     "(CurrencyId) references Misc (Id)")),
              547);
    EXPECT_EQ(storedSql(file, QStringLiteral("Bal")), before);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from SysObjects where Name = 'FK_Bal'")),
              QStringLiteral("0"));
    EXPECT_EQ(scalar(QStringLiteral("select Id, CurrencyId, Code from Bal")),
              QStringLiteral("10|7|A"));
    EXPECT_EQ(errorOf(QStringLiteral("insert into Bal (Code) values ('A')")), 2627);
    // Undone with the transaction it ran in; kept when that commits, rows of Line included.
    run(
        QStringLiteral("update Bal set CurrencyId = 1\n"
                       "begin tran\n"
                       "alter table Bal add constraint FK_Bal foreign key (CurrencyId) references "
                       "Misc (Id)\n"
                       "rollback"));
    EXPECT_EQ(storedSql(file, QStringLiteral("Bal")), before);
    run(QStringLiteral("insert into Bal (CurrencyId, Code) values (9, 'C')"));
    run(
        QStringLiteral("delete from Bal where Code = 'C'\n"
                       "begin tran\n"
                       "alter table Bal add constraint FK_Bal foreign key (CurrencyId) references "
                       "Misc (Id)\n"
                       "commit"));
    EXPECT_EQ(errorOf(QStringLiteral("insert into Bal (CurrencyId, Code) values (9, 'C')")), 547);
    EXPECT_EQ(errorOf(QStringLiteral("delete from Bal where Id = 10")), 547);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Line")), QStringLiteral("1"));
}

// A table another tool declared with more than the engine reads back (a cascading key, a key
// of the table's own) is not declared anew without it: its foreign keys are not changed.
TEST_F(TsqlTest, ForeignKeyChangesAreRefusedOnTablesDeclaringMoreThanTheEngineReads) {
    run(QStringLiteral(
        "create table Misc (Id int identity not null primary key, Code varchar(10))"));
    const QString file = dir_.filePath(QStringLiteral("Shop.sqlite"));
    rawExec(file,
            "CREATE TABLE Cascading (Id INTEGER PRIMARY KEY, Misc int REFERENCES Misc (Id) "
            "ON DELETE CASCADE, Other int);"
            "CREATE TABLE Keyed (Code varchar(10), Misc int, PRIMARY KEY (Code, Misc));");
    session_ = std::make_unique<tsql::Session>(dir_.path(), QStringLiteral("Shop"));
    for (const char* table : {"Cascading", "Keyed"}) {
        const QString name = QString::fromLatin1(table);
        const QString before = storedSql(file, name);
        ASSERT_FALSE(before.isEmpty()) << table;
        QString message;
        EXPECT_EQ(errorOf(QStringLiteral("alter table %1 add constraint FK_%1 foreign key (Misc) "
                                         "references Misc (Id)")
                              .arg(name),
                          &message),
                  tsql::err::NotSupported)
            << table;
        EXPECT_TRUE(message.contains(name)) << message.toStdString();
        EXPECT_EQ(storedSql(file, name), before) << table;
    }
}

TEST_F(TsqlTest, SysCatalogViewsUseSqlServersColumnNames) {
    run(QStringLiteral("create table T (Id int not null primary key, Name varchar(10))"));
    EXPECT_EQ(
        scalar(QStringLiteral("select count(*) from sys.columns where object_id = OBJECT_ID('T')")),
        QStringLiteral("2"));
    EXPECT_EQ(scalar(QStringLiteral("select name from sys.tables where name = 't'")),
              QStringLiteral("T"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from sys.databases where name = 'Shop'")),
              QStringLiteral("1"));
    EXPECT_EQ(errorOf(QStringLiteral("select * from sys.nothing")), 208);
}

// A read of the catalogue that fails while it steps raises SQLite's failure, rather than reading
// as an object without its metadata (here a view's column types, failing on an integer overflow).
TEST_F(TsqlTest, AFailingReadOfTheCatalogueRaises) {
    run(
        QStringLiteral("create table T (Id int not null primary key)\n"
                       "insert into T values (1)"));
    run(QStringLiteral("create view V as select Id from T"));
    EXPECT_EQ(scalar(QStringLiteral("select Id from V")), QStringLiteral("1"));
    rawExec(dir_.filePath(QStringLiteral("Shop.sqlite")),
            "DROP TABLE tsql_views;"
            "CREATE VIEW tsql_views (name, column_types) AS "
            "SELECT name, abs(-9223372036854775807 - 1) FROM sqlite_master WHERE type = 'view';");
    session_ = std::make_unique<tsql::Session>(dir_.path(), QStringLiteral("Shop"));
    // SQLite's integer overflow, in SQL Server's words.
    EXPECT_EQ(errorOf(QStringLiteral("select Id from V")), 8115);
}

// A file made before views kept their T-SQL text gains the place for it when it is next opened
// for writing: its old views read a NULL definition, new ones their text.
TEST_F(TsqlTest, AnOlderFileGainsTheTextOfItsNewViews) {
    run(QStringLiteral("create table T (Id int)\ncreate view Old as select Id from T"));
    session_.reset();
    rawExec(dir_.filePath(QStringLiteral("Shop.sqlite")),
            "ALTER TABLE tsql_views DROP COLUMN definition");
    session_ = std::make_unique<tsql::Session>(dir_.path(), QStringLiteral("Shop"));
    run(QStringLiteral("create view New as select Id from T"));
    EXPECT_EQ(rows(QStringLiteral("select TABLE_NAME, VIEW_DEFINITION from "
                                  "INFORMATION_SCHEMA.VIEWS order by TABLE_NAME")),
              (QStringList{QStringLiteral("New|create view New as select Id from T"),
                           QStringLiteral("Old|NULL")}));
}
