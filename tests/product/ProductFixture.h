#pragma once

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
        installPrepared(kCompany, companySchemaScripts() << sourcePath(
                                      QStringLiteral("tests/product/product_data.sql")));
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
};
