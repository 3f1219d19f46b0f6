#pragma once

#include <QAbstractItemModel>
#include <QApplication>
#include <QTest>
#include <QWidget>
#include <memory>

#include "EngineFixture.h"
#include "company/U_DM.h"
#include "config/Dm_Config.h"
#include "ui/Application.h"
#include "ui/DataGrid.h"
#include "ui/Dialog.h"
#include "ui/MessageBox.h"

// The company and configuration modules as start-up creates them, for user 7 in Thai, on a
// company with the rows of lookup_data.sql whose server clock stands in 2024. A main window
// exists, as it does when a program opens a lookup. Message boxes are recorded, not shown.
class LookupTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        writeServerClock("fixed 2024-06-30 10:00:00");
        installPrepared(kCompany, companySchemaScripts() << sourcePath(
                                      QStringLiteral("tests/lookup/lookup_data.sql")));
        createModules();
        cfg->UserId = 7;
        cfg->ThaiLanguage = true;
        if (!ui::Application::instance()->mainForm())
            ui::Application::instance()->createForm<QWidget>();
        ui::setMessageBoxResponder([this](const ui::MessageBoxRequest& r) {
            messages << r.text;
            return true;
        });
    }
    void TearDown() override {
        ui::setMessageBoxResponder(nullptr);
        EngineTest::TearDown();
    }

    void sql(const QString& batch) { runScript(kCompany, batch); }
    void setConfig(const QString& assignment) {
        sql(QStringLiteral("UPDATE Config SET ") + assignment);
        dm->RefreshConfig();
    }

    // Shows the dialog modelessly, as its handlers see a modal showing, and waits for it.
    static void open(ui::Dialog& dialog) {
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }
    // Presses a key where the focus is.
    static void press(ui::Dialog& dialog, Qt::Key key) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &dialog;
        QTest::keyClick(target, key);
    }

    // The rows the grid shows, the visible columns' texts joined with '|'.
    static QStringList shown(const ui::DataGrid& grid) {
        QStringList rows;
        const QAbstractItemModel* model = grid.model();
        for (int r = 0; r < model->rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < model->columnCount(); ++c)
                if (!grid.isColumnHidden(c))
                    cells << model->index(r, c).data().toString();
            rows << cells.join('|');
        }
        return rows;
    }
    // One column of the rows shown.
    static QStringList column(const ui::DataGrid& grid, int c) {
        QStringList values;
        for (int r = 0; r < grid.model()->rowCount(); ++r)
            values << grid.model()->index(r, c).data().toString();
        return values;
    }

    // The controls Tab visits, in the order it visits them from the first.
    static QStringList tabOrder(const QWidget& form) {
        QStringList names;
        for (QWidget* w = form.nextInFocusChain(); w != &form; w = w->nextInFocusChain())
            if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(&form))
                names << w->objectName();
        return names;
    }

    QStringList messages;
};
