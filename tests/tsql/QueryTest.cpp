// Queries: the SELECT forms the system's texts use, translated and run on SQLite.
#include <algorithm>

#include "TsqlFixture.h"

class QueryTest : public TsqlTest {
protected:
    void SetUp() override {
        TsqlTest::SetUp();
        run(QStringLiteral(
            "CREATE TABLE Product (Id int identity(1,1) not null primary key, Code varchar(20) not "
            "null, Name varchar(60) null, Price decimal(18,2) null default 0, Qty int null, "
            "GroupId int null)\n"
            "CREATE UNIQUE INDEX IxProductCode ON Product (Code)\n"
            "CREATE TABLE Grp (Id int not null primary key, Title varchar(20))\n"
            "INSERT INTO Grp (Id, Title) VALUES (1, 'Fruit'), (2, 'Tools')\n"
            "INSERT INTO Product (Code, Name, Price, Qty, GroupId) VALUES ('A1', 'Apple', 10.5, 3, "
            "1)\n"
            "INSERT INTO Product (Code, Name, Price, Qty, GroupId) VALUES ('b2', 'banana', 2, "
            "NULL, 1)\n"
            "INSERT INTO Product (Code, Name, Price, Qty, GroupId) VALUES ('C3', 'Cherry', NULL, "
            "7, 3)"));
    }
};

TEST_F(QueryTest, TopOrderAndTheAliasForms) {
    EXPECT_EQ(rows(QStringLiteral("select top 2 Code, N = Name from Product order by Code desc")),
              (QStringList{QStringLiteral("C3|Cherry"), QStringLiteral("b2|banana")}));
    db::BatchResult r = run(QStringLiteral("SELECT Code AS C, Name 'Title', Qty Q FROM Product"));
    const auto& cols = r.firstRowSet()->rowSet.columns;
    ASSERT_EQ(cols.size(), 3u);
    EXPECT_EQ(cols[0].name, QStringLiteral("C"));
    EXPECT_EQ(cols[1].name, QStringLiteral("Title"));
    EXPECT_EQ(cols[2].name, QStringLiteral("Q"));
    EXPECT_EQ(cols[2].type, db::FieldType::Integer);
}

TEST_F(QueryTest, StarAndQualifiedStarExpandToTheTableColumns) {
    db::BatchResult r =
        run(QStringLiteral("select P.*, G.Title from Product P "
                           "left join Grp G on G.Id = P.GroupId where P.Code = 'a1'"));
    const auto* rs = r.firstRowSet();
    ASSERT_NE(rs, nullptr);
    EXPECT_EQ(rs->rowSet.columns.size(), 7u);
    EXPECT_EQ(rs->rowSet.indexOf(QStringLiteral("title")), 6);
    EXPECT_EQ(scalar(QStringLiteral(
                  "select count(*) from Product p inner join Grp g on g.Id = p.GroupId")),
              QStringLiteral("2"));
    EXPECT_EQ(scalar(QStringLiteral(
                  "select count(*) from Grp g right join Product p on g.Id = p.GroupId")),
              QStringLiteral("3"));
}

TEST_F(QueryTest, IdentityValuesAndRowCounts) {
    EXPECT_EQ(scalar(QStringLiteral("SELECT @@IDENTITY AS 'New_Id'")), QStringLiteral("3"));
    db::BatchResult r = run(QStringLiteral("update Product set Qty = 0 where Qty is null"));
    EXPECT_EQ(r.lastRowsAffected(), 1);
    EXPECT_EQ(scalar(QStringLiteral("update Product set Qty = Qty + 1 select @@ROWCOUNT")),
              QStringLiteral("3"));
    EXPECT_EQ(
        scalar(QStringLiteral("insert into Grp (Id, Title) values (9, 'x') select @@IDENTITY")),
        QStringLiteral("3"));  // Grp has no identity: the last identity stays
    // A batch is a scope of its own: no identity was given in it yet.
    EXPECT_EQ(scalar(QStringLiteral("select SCOPE_IDENTITY()")), QStringLiteral("NULL"));
}

// An insert that fails on a constraint uses up the identity values of the rows it reached, up to
// the one it failed on, by the table's increment; @@IDENTITY stays the last value of an insert
// that succeeded.
TEST_F(QueryTest, AFailedInsertUsesUpTheIdentityValuesOfTheRowsItReached) {
    run(
        QStringLiteral("create table Seq (Id int identity(1, 1), V int constraint UQ_Seq unique) "
                       "create table Step (Id int identity(10, 5), V int constraint UQ_Step "
                       "unique) insert into Seq (V) values (1) insert into Step (V) values (1)"));
    EXPECT_EQ(errorOf(QStringLiteral("insert into Seq (V) values (2), (3), (1), (4)")), 2627);
    EXPECT_EQ(scalar(QStringLiteral("select @@IDENTITY")), QStringLiteral("10"));
    EXPECT_EQ(errorOf(QStringLiteral("insert into Step (V) values (2), (3), (1), (4)")), 2627);
    EXPECT_EQ(errorOf(QStringLiteral("insert into Seq (V) select V from Step")), 2627);
    run(QStringLiteral("insert into Seq (V) values (5) insert into Step (V) values (5)"));
    EXPECT_EQ(rows(QStringLiteral("select Id, V from Seq order by Id")),
              (QStringList{QStringLiteral("1|1"), QStringLiteral("6|5")}));
    EXPECT_EQ(rows(QStringLiteral("select Id, V from Step order by Id")),
              (QStringList{QStringLiteral("10|1"), QStringLiteral("30|5")}));
    EXPECT_EQ(scalar(QStringLiteral("select @@IDENTITY")), QStringLiteral("30"));
}

TEST_F(QueryTest, GroupByHavingDistinctAndUnion) {
    EXPECT_EQ(rows(QStringLiteral("select GroupId, count(*) n from Product group by GroupId "
                                  "having count(*) > 1")),
              QStringList{QStringLiteral("1|2")});
    EXPECT_EQ(scalar(QStringLiteral("select count(distinct GroupId) from Product")),
              QStringLiteral("2"));
    EXPECT_EQ(rows(QStringLiteral("select Code from Product where GroupId = 1 union "
                                  "select Title from Grp order by Code")),
              (QStringList{QStringLiteral("A1"), QStringLiteral("b2"), QStringLiteral("Fruit"),
                           QStringLiteral("Tools")}));
    EXPECT_EQ(
        rows(QStringLiteral("select GroupId from Product union all select Id from Grp")).size(), 5);
}

TEST_F(QueryTest, SubSelectsExistsInAndBetween) {
    EXPECT_EQ(
        scalar(QStringLiteral("select (select Title from Grp where Id = P.GroupId) from Product P "
                              "where Code = 'b2'")),
        QStringLiteral("Fruit"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Product P where exists "
                                    "(select * from Grp G where G.Id = P.GroupId)")),
              QStringLiteral("2"));
    EXPECT_EQ(scalar(QStringLiteral(
                  "select count(*) from Product where GroupId not in (select Id from Grp)")),
              QStringLiteral("1"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Product where Code in ('a1', 'C3 ')")),
              QStringLiteral("2"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Product where Price between 2 and 10.5")),
              QStringLiteral("2"));
    EXPECT_EQ(
        scalar(QStringLiteral("select Name from (select Code, Name from Product where Qty > 5) D")),
        QStringLiteral("Cherry"));
}

TEST_F(QueryTest, CaseCoalesceAndWindowFunctions) {
    EXPECT_EQ(
        rows(QStringLiteral("select Code, case when Qty is null then 'none' when Qty > 5 then "
                            "'many' else 'few' end from Product order by Id")),
        (QStringList{QStringLiteral("A1|few"), QStringLiteral("b2|none"),
                     QStringLiteral("C3|many")}));
    EXPECT_EQ(scalar(QStringLiteral("select Coalesce(Price, 0.00) from Product where Code = 'C3'")),
              QStringLiteral("0"));
    EXPECT_EQ(
        rows(QStringLiteral("select Code, RANK()Over ( Order BY GroupId Desc) R from Product "
                            "order by Code")),
        (QStringList{QStringLiteral("A1|2"), QStringLiteral("b2|2"), QStringLiteral("C3|1")}));
}

TEST_F(QueryTest, ParametersStandWhereExpressionsMay) {
    EXPECT_EQ(scalar(QStringLiteral("select Name from Product where Code = ?"), {text("B2")}),
              QStringLiteral("banana"));
    EXPECT_EQ(scalar(QStringLiteral("if ? > 1 select 'big' else select 'small'"), {integer(2)}),
              QStringLiteral("big"));
    EXPECT_EQ(scalar(QStringLiteral("declare @x int set @x = ? + 1 select @x"), {integer(41)}),
              QStringLiteral("42"));
    EXPECT_EQ(
        scalar(QStringLiteral("select count(*) from Product where Id in (select Id from Product "
                              "where Qty > ?)"),
               {integer(2)}),
        QStringLiteral("2"));
}

// A text parameter reaches SQLite as the text it is: empty is not NULL, and Thai or a character
// beyond the basic plane keeps its length.
TEST_F(QueryTest, TextParametersKeepEveryCharacterAndEmptyIsNotNull) {
    const QString probe = QStringLiteral(
        "select coalesce('[' + ? + ']', 'NULL') + '|' + convert(varchar(10), len(?)) + '|' + ?");
    const QString thai = QStringLiteral("\u0e20\u0e32\u0e29\u0e32\u0e44\u0e17\u0e22");
    const QString beyond = QString::fromUcs4(U"x\U0001F600y");
    EXPECT_EQ(scalar(probe, {text(QString()), text(thai), text(beyond)}),
              QStringLiteral("[]|7|") + beyond);
    const db::BoundValue null{db::FieldType::String, QVariant()};
    EXPECT_EQ(scalar(probe, {null, text(QStringLiteral("ab ")), text(thai)}),
              QStringLiteral("NULL|2|") + thai);
}

// A batch is parsed again when the text it was given changes where it lies, as text that only
// points at the caller's memory may.
TEST_F(QueryTest, ABatchWhoseTextChangesInPlaceIsReadAgain) {
    char16_t buffer[] = u"select 'one'";
    const QString batch = QString::fromRawData(reinterpret_cast<const QChar*>(buffer), 12);
    EXPECT_EQ(scalar(batch), QStringLiteral("one"));
    std::copy_n(u"'two'", 5, buffer + 7);
    EXPECT_EQ(scalar(batch), QStringLiteral("two"));
}

// The same text with parameters of other types is translated for those types.
TEST_F(QueryTest, ATranslationServesTheParameterTypesItWasMadeFor) {
    const QString join = QStringLiteral("select ? + 'x'");
    auto errorWith = [&](const db::BoundValue& p) {
        try {
            run(join, {p});
        } catch (const db::Error& e) {
            return e.nativeError();
        }
        return 0;
    };
    EXPECT_EQ(scalar(join, {text("5")}), QStringLiteral("5x"));
    // 'x' is converted to the integer's type, as SQL Server does.
    EXPECT_EQ(errorWith(integer(5)), 245);
    EXPECT_EQ(scalar(join, {text("6")}), QStringLiteral("6x"));
}

// A statement run again keeps its prepared SQLite statement until the connection's cache of
// them is emptied (at 2,000 texts); from then on it is prepared again.
TEST_F(QueryTest, StatementsRunOnAfterTheCacheOfPreparedOnesIsEmptied) {
    EXPECT_EQ(scalar(QStringLiteral(
                  "set nocount on declare @i int, @n int, @total int select @i = 0, @total = 0 "
                  "while @i < 2100 begin "
                  "exec('update Product set Qty = Qty where Id = ' + Convert(varchar(10), @i)) "
                  "select @n = count(*) from Product where Qty >= @i % 5 "
                  "set @total = @total + @n set @i = @i + 1 end select @total")),
              QStringLiteral("3780"));
}

TEST_F(QueryTest, ThreePartNamesReachAnotherDatabaseOfTheServer) {
    tsql::Session master(dir_.path(), QStringLiteral("master"));
    master.execute(QStringLiteral("CREATE DATABASE Other"), {});
    tsql::Session other(dir_.path(), QStringLiteral("Other"));
    other.execute(QStringLiteral("create table UserName (Id int, Code varchar(10)) "
                                 "insert into UserName values (5, 'ANN')"),
                  {});
    EXPECT_EQ(scalar(QStringLiteral("select Code from Other.Dbo.UserName where Id = 5")),
              QStringLiteral("ANN"));
    EXPECT_EQ(
        scalar(QStringLiteral("select count(*) from master..SysDatabases where Name = 'shop'")),
        QStringLiteral("1"));
}

// Each place a statement can name another database's table brings that database into use before
// the statement is bound.
TEST_F(QueryTest, AnotherDatabaseIsInUseWhereverAStatementNamesIt) {
    tsql::Session master(dir_.path(), QStringLiteral("master"));
    master.execute(QStringLiteral("CREATE DATABASE Other"), {});
    tsql::Session(dir_.path(), QStringLiteral("Other"))
        .execute(
            QStringLiteral("create table Rate (Id int, Pct int) insert into Rate values (1, 5)"),
            {});
    // A condition's sub-select, then a variable's initial value.
    EXPECT_EQ(scalar(QStringLiteral("if exists (select 1 from Other..Rate) select 'seen' else "
                                    "select 'not seen'")),
              QStringLiteral("seen"));
    run(QStringLiteral("create table Other2 (X int)"));  // a later change retranslates all
    EXPECT_EQ(scalar(QStringLiteral(
                  "declare @p int = (select Pct from Other.dbo.Rate where Id = 1) select @p")),
              QStringLiteral("5"));
    // The written table of INSERT, UPDATE and DELETE.
    tsql::Session fresh(dir_.path(), QStringLiteral("Shop"));
    fresh.execute(QStringLiteral("insert into Other..Rate values (2, 7)"), {});
    tsql::Session again(dir_.path(), QStringLiteral("Shop"));
    again.execute(QStringLiteral("update Other..Rate set Pct = Pct + 1 where Id = 2"), {});
    tsql::Session last(dir_.path(), QStringLiteral("Shop"));
    last.execute(QStringLiteral("delete Other..Rate where Id = 1"), {});
    EXPECT_EQ(scalar(QStringLiteral("select Id, Pct from Other..Rate")), QStringLiteral("2|8"));
    EXPECT_EQ(errorOf(QStringLiteral("select * from Nowhere..Rate")), 911);
}

TEST_F(QueryTest, SchemaChangesOfAnotherConnectionAreSeenAtOnce) {
    EXPECT_EQ(rows(QStringLiteral("select * from Grp where Id = 1")),
              QStringList{QStringLiteral("1|Fruit")});
    tsql::Session other(dir_.path(), QStringLiteral("Shop"));
    other.execute(QStringLiteral("alter table Grp add Note varchar(10) null, Rank int null"), {});
    EXPECT_EQ(rows(QStringLiteral("select * from Grp where Id = 1")),
              QStringList{QStringLiteral("1|Fruit|NULL|NULL")});
    other.execute(QStringLiteral("drop table Grp"), {});
    EXPECT_EQ(errorOf(QStringLiteral("select * from Grp where Id = 1")), 208);
}

// The catalogue keeps the tables and views it read, and their names; a change by another
// connection is seen by the next statement (SQLite prepares it again and the catalogue is read
// again): a table made a view has the view's column types, a dropped name is not found, a new one
// is, and names compare under the collation.
TEST_F(QueryTest, TheCatalogueFollowsAnotherConnectionsChanges) {
    run(
        QStringLiteral("create table Rate (Id int not null, Pct decimal(10,2) null)\n"
                       "insert into Rate (Id, Pct) values (1, 2.5)"));
    tsql::Session reader(dir_.path(), QStringLiteral("Shop"));
    const auto firstColumn = [&](const QString& sql) {
        const db::BatchResult r = reader.execute(sql, {});
        EXPECT_NE(r.firstRowSet(), nullptr);
        return r.firstRowSet() ? r.firstRowSet()->rowSet : db::RowSet();
    };
    EXPECT_EQ(firstColumn(QStringLiteral("select Pct from [RATE  ] where Id = 1")).rows.at(0).at(0),
              QVariant(2.5));
    tsql::Session other(dir_.path(), QStringLiteral("Shop"));
    other.execute(QStringLiteral("drop table Rate"), {});
    other.execute(QStringLiteral("create view Rate as select 1 as Id, "
                                 "dateadd(day, 1, convert(datetime, '2024-02-28')) as Pct"),
                  {});
    const db::RowSet view = firstColumn(QStringLiteral("select Pct from [RATE  ]"));
    EXPECT_EQ(view.columns.at(0).declared.name, QStringLiteral("datetime"));
    EXPECT_EQ(view.rows.at(0).at(0), QVariant(QDateTime(QDate(2024, 2, 29), QTime(0, 0))));
    other.execute(QStringLiteral("drop view Rate\ncreate table Fee (Id int not null)"), {});
    try {
        reader.execute(QStringLiteral("select Id from rate"), {});
        ADD_FAILURE() << "a dropped view was read";
    } catch (const db::Error& e) {
        EXPECT_EQ(e.nativeError(), 208);
    }
    EXPECT_EQ(firstColumn(QStringLiteral("select count(*) from FEE")).rows.at(0).at(0),
              QVariant(qint64(0)));
}

TEST_F(QueryTest, UpdateAndDeleteWithJoinsAndDerivedTables) {
    run(QStringLiteral(
        "update P set P.Name = G.Title + '-' + P.Code, Qty = 0 from Product P "
        "inner join (select Id, Title from Grp) G on G.Id = P.GroupId where P.Price > 1"));
    EXPECT_EQ(rows(QStringLiteral("select Code, Name, Qty from Product order by Id")),
              (QStringList{QStringLiteral("A1|Fruit-A1|0"), QStringLiteral("b2|Fruit-b2|0"),
                           QStringLiteral("C3|Cherry|7")}));
    run(QStringLiteral(
        "delete P from Product P left join Grp G on G.Id = P.GroupId where G.Id is null"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Product")), QStringLiteral("2"));
}

// Each updated row takes its values from its own joined row, whatever the shape of WHERE, and a
// parameter used in FROM and WHERE is bound once.
TEST_F(QueryTest, UpdateFromTakesTheValuesOfTheRowsWhereChose) {
    const QString update = QStringLiteral(
        "update P set Qty = P.Id * 100 + G.Id * 10 + ? from Product P join Grp G on G.Id = "
        "P.GroupId + ? - ? where P.Code = 'b2' or P.Code = 'A1' and G.Title = 'Fruit'");
    const QStringList sql = session_->translation(update, {integer(1), integer(0), integer(0)});
    ASSERT_EQ(sql.size(), 1);
    EXPECT_FALSE(sql[0].contains(QStringLiteral("?4"))) << sql[0].toStdString();
    EXPECT_EQ(run(update, {integer(1), integer(0), integer(0)}).lastRowsAffected(), 2);
    EXPECT_EQ(
        rows(QStringLiteral("select Code, Qty from Product order by Id")),
        (QStringList{QStringLiteral("A1|111"), QStringLiteral("b2|211"), QStringLiteral("C3|7")}));
    run(QStringLiteral("update Product set GroupId = 2 where Code = 'b2'"));
    EXPECT_EQ(run(update, {integer(2), integer(0), integer(0)}).lastRowsAffected(), 2);
    EXPECT_EQ(
        rows(QStringLiteral("select Code, Qty from Product order by Id")),
        (QStringList{QStringLiteral("A1|112"), QStringLiteral("b2|222"), QStringLiteral("C3|7")}));
}

TEST_F(QueryTest, UpdateAndDeleteChangeOnlyTheJoinedRowsOfTheirTarget) {
    run(QStringLiteral(
        "create table Orders (Id int not null primary key, Customer int, Amount int)\n"
        "create table Customers (Id int not null primary key, Vip int)\n"
        "insert into Customers values (1, 1), (2, 0)\n"
        "insert into Orders values (1, 1, 10), (2, 2, 20), (3, 2, 30)"));
    const QString join = QStringLiteral(
        "from Orders o join Customers c on c.Id = o.Customer "
        "where c.Vip = 1");
    auto amounts = [&] { return rows(QStringLiteral("select Amount from Orders order by Id")); };
    // The target named by its alias, or by its table's name when FROM gives that an alias.
    for (const QString& target : {QStringLiteral("o"), QStringLiteral("Orders")}) {
        run(QStringLiteral("begin tran"));
        EXPECT_EQ(run(QStringLiteral("update %1 set Amount = Amount + 1 %2").arg(target, join))
                      .lastRowsAffected(),
                  1);
        EXPECT_EQ(amounts(),
                  (QStringList{QStringLiteral("11"), QStringLiteral("20"), QStringLiteral("30")}));
        EXPECT_EQ(run(QStringLiteral("delete %1 %2").arg(target, join)).lastRowsAffected(), 1);
        EXPECT_EQ(amounts(), (QStringList{QStringLiteral("20"), QStringLiteral("30")}));
        run(QStringLiteral("rollback"));
    }
    // A table that FROM names twice, both times with an alias, is not a target.
    EXPECT_EQ(errorOf(QStringLiteral("delete Orders from Orders a join Orders b on b.Id = a.Id")),
              8154);
    // A target that FROM does not name is one more table of the join.
    EXPECT_EQ(run(QStringLiteral("delete Orders from Customers c where c.Id = Orders.Customer "
                                 "and c.Vip = 0"))
                  .lastRowsAffected(),
              2);
}

TEST_F(QueryTest, AssignmentSelectsThatWouldAccumulateAreRefused) {
    EXPECT_EQ(
        scalar(QStringLiteral("declare @c varchar(10) select @c = Code from Product where Id = 2 "
                              "select @c")),
        QStringLiteral("b2"));
    EXPECT_EQ(scalar(QStringLiteral("declare @s varchar(50) set @s = '' "
                                    "select @s = @s + Code from Product where Id = 1 select @s")),
              QStringLiteral("A1"));
    QString message;
    EXPECT_NE(errorOf(QStringLiteral("declare @s varchar(50) set @s = '' "
                                     "select @s = @s + Code from Product select @s"),
                      &message),
              0);
    EXPECT_TRUE(message.contains(QStringLiteral("accumulates"))) << message.toStdString();
}

TEST_F(QueryTest, UpdateAndDeleteTop) {
    EXPECT_EQ(run(QStringLiteral(
                      "update top (2) Product set Qty = -1 where Qty is not null or Qty is null"))
                  .lastRowsAffected(),
              2);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Product where Qty = -1")),
              QStringLiteral("2"));
    EXPECT_EQ(run(QStringLiteral("delete top (1) from Product where Qty = -1")).lastRowsAffected(),
              1);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from Product")), QStringLiteral("2"));
}

TEST_F(QueryTest, CommonTableExpressions) {
    EXPECT_EQ(rows(QStringLiteral(
                  "with G (Gid, N) as (select GroupId, count(*) from Product group by GroupId), "
                  "Big as (select Gid from G where N > 1) "
                  "select P.Code from Product P inner join Big on Big.Gid = P.GroupId "
                  "order by P.Code")),
              (QStringList{QStringLiteral("A1"), QStringLiteral("b2")}));
    EXPECT_EQ(rows(QStringLiteral("with R as (select 1 n union all select n + 1 from R where "
                                  "n < 3) select * from R order by n")),
              (QStringList{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
    EXPECT_EQ(errorOf(QStringLiteral("with R as (select 1 n union all select n + 1 from R) "
                                     "select count(*) from R")),
              530);
}
