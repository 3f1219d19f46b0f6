#pragma once

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <memory>

#include "EngineFixture.h"
#include "company/U_DM.h"
#include "config/Dm_Config.h"
#include "product/Dm_Product.h"

// The company, configuration and product modules as start-up creates them (user 7), on a company
// database with the company schema and the rows of product_data.sql.
class ProductTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        installCompany();
        createModules();
        product = std::make_unique<TDmProduct>();
    }
    void TearDown() override {
        product.reset();
        EngineTest::TearDown();
    }

    // Runs statements on the company database; the modules' open rows are not refreshed.
    void sql(const QString& batch) { runScript(kCompany, batch); }
    // Changes a setting of the configuration row and has the company module read it again.
    void setConfig(const QString& assignment) {
        sql(QStringLiteral("UPDATE Config SET ") + assignment);
        dm->RefreshConfig();
    }

    std::unique_ptr<TDmProduct> product;

private:
    // The schema and rows are installed once and kept in the temporary directory under a name
    // that changes with the scripts and with the test program (which holds the engine), then
    // copied for every test (ctest runs each test in a process of its own).
    void installCompany() {
        const QString file = dir.filePath(QStringLiteral("Demo_Co.sqlite"));
        const QString prepared = preparedCopy();
        if (QFile::exists(prepared)) {
            ASSERT_TRUE(QFile::remove(file));
            ASSERT_TRUE(QFile::copy(prepared, file));
            return;
        }
        installCompanySchema();
        runFile(kCompany, dataScript());
        // Another test may be preparing the same copy: each writes its own, then renames it.
        const QString mine =
            prepared + QStringLiteral(".%1").arg(QCoreApplication::applicationPid());
        ASSERT_TRUE(QFile::copy(file, mine));
        if (!QFile::rename(mine, prepared))
            QFile::remove(mine);
    }
    static QString dataScript() {
        return sourcePath(QStringLiteral("tests/product/product_data.sql"));
    }
    static QString preparedCopy() {
        QCryptographicHash hash(QCryptographicHash::Sha1);
        const QFileInfo program(QCoreApplication::applicationFilePath());
        hash.addData(program.lastModified().toString(Qt::ISODateWithMs).toUtf8());
        const QDir schema(sourcePath(QStringLiteral("schema/company")));
        QStringList scripts;
        for (const QString& f :
             schema.entryList({QStringLiteral("*.sql")}, QDir::Files, QDir::Name))
            scripts << schema.filePath(f);
        for (const QString& path : scripts << dataScript()) {
            QFile f(path);
            if (f.open(QIODevice::ReadOnly))
                hash.addData(f.readAll());
        }
        return QDir::temp().filePath(QStringLiteral("voq-product-test-%1.sqlite")
                                         .arg(QString::fromLatin1(hash.result().toHex().left(16))));
    }
};
