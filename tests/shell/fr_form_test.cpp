#include <gtest/gtest.h>

#include <QAction>
#include <QCursor>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QToolTip>

#include "config/Dm_Config.h"
#include "hints/FhHintWindow.h"
#include "hints/FormHints.h"
#include "shell/Fr_Form.h"
#include "ui/ActionToolBar.h"
#include "ui/Application.h"
#include "ui/ApplicationHints.h"
#include "ui/Edit.h"
#include "ui/ImageList.h"
#include "ui/MessageBox.h"
#include "ui/StatusBar.h"

namespace {

// A derived form with two edits, as task windows add their controls.
class TestForm : public TFrForm {
public:
    TestForm() {
        First = new QLineEdit(this);
        First->setObjectName("First");
        Second = new QLineEdit(this);
        Second->setObjectName("Second");
        setTabOrder(First, Second);
    }
    QLineEdit* First;
    QLineEdit* Second;
    int shows = 0;

protected:
    void FormShow() override {
        ++shows;
        TFrForm::FormShow();
    }
};

class FrFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::setMessageBoxResponder([this](const ui::MessageBoxRequest& r) {
            asked.push_back(r);
            return answer;
        });
    }
    void TearDown() override { ui::setMessageBoxResponder(nullptr); }

    std::vector<ui::MessageBoxRequest> asked;
    bool answer = false;
};

}  // namespace

TEST_F(FrFormTest, ActionsCarryTheirCaptionsHintsImagesAndShortcuts) {
    TFrForm form;
    struct Expected {
        QAction* action;
        const char* caption;
        const char* hint;
        QKeySequence key;
    };
    for (const Expected& e : std::vector<Expected>{
             {form.AcNew, "New", "New Record", QKeySequence(Qt::Key_F3)},
             {form.AcDel, "Delete", "Delete Record", QKeySequence(Qt::Key_F8)},
             {form.AcSave, "Save", "Save Record", QKeySequence(Qt::Key_F10)},
             {form.AcHist, "Hist.", "Show History", QKeySequence(Qt::CTRL | Qt::Key_H)},
             {form.AcCopy, "Copy", "Copy Record", QKeySequence(Qt::Key_F6)},
             {form.AcPrint, "Print", "Print Record", QKeySequence(Qt::CTRL | Qt::Key_P)},
             {form.AcExit, "Exit", "Exit Program", QKeySequence(Qt::CTRL | Qt::Key_X)},
             {form.AcChgCode, "Chg Code", "Chg Code", QKeySequence(Qt::Key_F12)}}) {
        EXPECT_EQ(e.action->text(), e.caption);
        EXPECT_EQ(e.action->toolTip(), e.hint);
        EXPECT_EQ(e.action->shortcut(), e.key) << e.caption;
        EXPECT_FALSE(e.action->icon().isNull()) << e.caption;
    }
    EXPECT_EQ(form.ImageList1->count(), 8);
    EXPECT_EQ(form.BApporved->text(), "Apporved");
    EXPECT_EQ(form.StatusBar1->panelCount(), 2);
    EXPECT_EQ(form.StatusBar1->panel(0)->width(), 200);
    EXPECT_EQ(form.StatusBar1->panel(1)->width(), 50);
    EXPECT_EQ(form.ChgCode->text(), "CHGCODE");
    EXPECT_EQ(form.findChild<QToolButton*>("BExit"), form.BExit);
}

TEST_F(FrFormTest, ShowHidesTheExtraButtonsAndResetsTheRecordActions) {
    TestForm form;
    form.setWindowTitle("คำนวน สินค้าคงเหลือ");
    form.AcSave->setEnabled(true);
    form.show();
    EXPECT_EQ(form.shows, 1);
    for (QToolButton* b : {form.BHist, form.BCopy, form.BPrint, form.BChgCode, form.BApporved})
        EXPECT_FALSE(form.ToolBar1->isButtonShown(b)) << b->objectName().toStdString();
    EXPECT_TRUE(form.ToolBar1->isButtonShown(form.BNew));
    EXPECT_TRUE(form.ToolBar1->isButtonShown(form.BExit));
    EXPECT_FALSE(form.ChgCode->isVisible());
    EXPECT_FALSE(form.AcSave->isEnabled());
    EXPECT_FALSE(form.AcDel->isEnabled());
    EXPECT_FALSE(form.AcChgCode->isEnabled());
    EXPECT_EQ(ui::Application::instance()->title(), "คำนวน สินค้าคงเหลือ");
    form.AcDel->setVisible(false);
    EXPECT_FALSE(form.ToolBar1->isButtonShown(form.BDel)) << "a button follows its action";
}

TEST_F(FrFormTest, EnterMovesToTheNextFieldAndReachesNoControl) {
    TestForm form;
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.First->setFocus();
    QSignalSpy returns(form.First, &QLineEdit::returnPressed);
    QTest::keyClick(form.First, Qt::Key_Return);
    EXPECT_EQ(returns.count(), 0);
    EXPECT_EQ(form.focusWidget(), form.Second);
}

TEST_F(FrFormTest, EscapeAsksAndNoKeepsTheFormOpen) {
    TestForm form;
    form.show();
    form.First->setFocus();
    answer = false;
    QTest::keyClick(form.First, Qt::Key_Escape);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].kind, ui::MessageBoxRequest::Kind::Confirmation);
    EXPECT_TRUE(form.isVisible());
    answer = true;
    QTest::keyClick(form.First, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(FrFormTest, ExitQuestionInTheUsersLanguageOnGreen) {
    TDMConfig config;
    TestForm form;
    form.show();
    config.ThaiLanguage = true;
    form.close();
    config.ThaiLanguage = false;
    form.close();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].text, "ออกจากโปรแกรม ?");
    EXPECT_EQ(asked[1].text, "Exit Program ?");
    EXPECT_EQ(asked[1].background, QColor(0x008000));
    EXPECT_EQ(asked[1].textColor, QColor(0xFFFFFF));
    EXPECT_TRUE(form.isVisible());
}

TEST_F(FrFormTest, ExitActionAsksTheSameQuestion) {
    TestForm form;
    form.show();
    answer = true;
    form.AcExit->trigger();
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_FALSE(form.isVisible());
}

TEST_F(FrFormTest, ToolbarHintsShowAsCentredBalloons) {
    TestForm form;
    ui::Application::instance()->addForm(&form);
    const TFormHints* hints = form.FormHints1;
    EXPECT_EQ(form.findChild<TFormHints*>("FormHints1"), hints);
    EXPECT_EQ(hints->TextAlignment, TfhTextAlignment::taCenter);
    EXPECT_EQ(hints->Font().face.family(), "MS Sans Serif");
    EXPECT_EQ(hints->Font().face.pixelSize(), 11);
    EXPECT_EQ(hints->Font().color,
              QToolTip::palette().color(QPalette::Inactive, QPalette::ToolTipText));
    EXPECT_EQ(hints->TransparencyRate, 20);
    EXPECT_FALSE(hints->Transparent);

    form.show();
    const QPoint at(10, 10);
    QCursor::setPos(form.BExit->mapToGlobal(at));
    QHelpEvent rest(QEvent::ToolTip, at, form.BExit->mapToGlobal(at));
    QApplication::sendEvent(form.BExit, &rest);
    auto* balloon = qobject_cast<TfhHintWindow*>(ui::ApplicationHints::instance().hintWindow());
    ASSERT_TRUE(balloon);
    EXPECT_TRUE(balloon->isVisible());
    EXPECT_EQ(balloon->text(), "Exit Program\n");
    ui::ApplicationHints::instance().cancelHint();
}
