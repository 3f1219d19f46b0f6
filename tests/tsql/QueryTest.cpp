#include "TsqlFixture.h"

class QueryTest : public TsqlTest {
protected:
    void SetUp() override {
        TsqlTest::SetUp();
        run(QStringLiteral(
            "CREATE TABLE Product (Id int identity(1,1) not null primary key, Code varchar(20) not "
            "null, Name varchar(60) null, Price decimal(18,2) null default 0, Qty int null)\n"
            "CREATE UNIQUE INDEX IxProductCode ON Product (Code)\n"
            "INSERT INTO Product (Code, Name, Price, Qty) VALUES ('A1', 'Apple', 10.5, 3)\n"
            "INSERT INTO Product (Code, Name, Price, Qty) VALUES ('b2', 'banana', 2, NULL)\n"
            "INSERT INTO Product (Code, Name, Price, Qty) VALUES ('C3', 'Cherry', NULL, 7)"));
    }
};

TEST_F(QueryTest, SelectsWithTopOrderAndAliases) {
    EXPECT_EQ(rows(QStringLiteral("select top 2 Code, N = Name from Product order by Code desc")),
              (QStringList{QStringLiteral("C3|Cherry"), QStringLiteral("b2|banana")}));
    EXPECT_EQ(scalar(QStringLiteral("SELECT @@IDENTITY AS 'New_Id'")), QStringLiteral("3"));
}
