#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "ui/Dialog.h"

namespace {

// A dialog that records its handlers and can be told what to do on close and with keys.
class Probe : public ui::Dialog {
public:
    Probe() {
        edit = new QLineEdit(this);
        edit->setObjectName("SearchText");
    }
    QLineEdit* edit;
    QStringList calls;
    int resultOnClose = ui::mrNone;
    bool takeKeys = false;

protected:
    void FormShow() override { calls << "show"; }
    void FormClose() override {
        calls << "close " + QString::number(modalResult());
        if (resultOnClose != ui::mrNone)
            setResult(resultOnClose);
    }
    bool FormKeyDown(QKeyEvent* event) override {
        calls << "key " + QString::number(event->key()) +
                     (ui::focusedControlIs(this, "SEARCHTEXT") ? " in SearchText" : "");
        return takeKeys;
    }
};

// Runs `step` once the dialog shows.
void whenShown(Probe& dialog, std::function<void()> step) {
    QTimer::singleShot(0, &dialog, [&dialog, step] {
        dialog.edit->setFocus();
        step();
    });
}

TEST(Dialog, HandlersSetTheModalResult) {
    Probe dialog;
    whenShown(dialog, [&] { dialog.setModalResult(ui::mrOk); });
    EXPECT_EQ(dialog.showModal(), ui::mrOk);
    EXPECT_EQ(dialog.calls, QStringList({"show", "close 1"}));

    dialog.calls.clear();
    whenShown(dialog, [&] { dialog.close(); });  // the close box
    EXPECT_EQ(dialog.showModal(), ui::mrCancel);
    EXPECT_EQ(dialog.calls, QStringList({"show", "close 2"}));
}

TEST(Dialog, TheCloseHandlerMayChangeTheResult) {
    Probe dialog;
    dialog.resultOnClose = ui::mrCancel;
    whenShown(dialog, [&] { dialog.setModalResult(ui::mrOk); });
    EXPECT_EQ(dialog.showModal(), ui::mrCancel);
}

TEST(Dialog, KeyPreviewSeesKeysBeforeTheFocusedControl) {
    Probe dialog;
    whenShown(dialog, [&] {
        QTest::keyClicks(dialog.edit, "a");
        dialog.setKeyPreview(true);
        dialog.takeKeys = true;
        QTest::keyClicks(dialog.edit, "b");
        dialog.setModalResult(ui::mrOk);
    });
    dialog.showModal();
    EXPECT_EQ(dialog.edit->text(), "a");  // the previewed key went no further
    EXPECT_EQ(dialog.calls, QStringList({"show", "key 66 in SearchText", "close 1"}));
}

TEST(Dialog, EnterAndEscapeDoOnlyWhatTheFormMakesOfThem) {
    Probe dialog;
    whenShown(dialog, [&] {
        QTest::keyClick(dialog.edit, Qt::Key_Escape);
        QTest::keyClick(dialog.edit, Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible());
        dialog.setModalResult(ui::mrOk);
    });
    EXPECT_EQ(dialog.showModal(), ui::mrOk);
}

TEST(Dialog, AFramePastTheScreenEdgeIsMovedOntoIt) {
    const QRect screen(0, 0, 1024, 768);
    // Designed at 413,213 and 700 wide: moved left just enough.
    EXPECT_EQ(ui::onScreen(QRect(413, 213, 702, 310), screen), QPoint(322, 213));
    EXPECT_EQ(ui::onScreen(QRect(100, 600, 300, 200), screen), QPoint(100, 568));
    EXPECT_EQ(ui::onScreen(QRect(-20, -5, 300, 200), screen), QPoint(0, 0));
    EXPECT_EQ(ui::onScreen(QRect(40, 30, 300, 200), screen), QPoint(40, 30));  // fits: stays
    EXPECT_EQ(ui::onScreen(QRect(50, 50, 1100, 200), screen), QPoint(0, 50));  // too wide
    EXPECT_EQ(ui::onScreen(QRect(1000, 700, 50, 50), QRect(1024, 0, 800, 600)),
              QPoint(1024, 550));  // a second screen to the right
}

}  // namespace
