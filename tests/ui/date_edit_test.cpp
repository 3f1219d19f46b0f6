#include <gtest/gtest.h>

#include <QCalendarWidget>
#include <QLineEdit>
#include <QTest>

#include "ui/Application.h"
#include "ui/DateEdit.h"

namespace {

// A date box and a second control to move the focus to, with the application's error handler
// recording what reaches it.
class DateEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto* layoutless = &form;
        box = new ui::DateEdit(layoutless);
        other = new QLineEdit(layoutless);
        other->move(0, 40);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        ui::Application::instance()->setOnException(
            [this](const std::exception& e) { errors << QString::fromUtf8(e.what()); });
    }
    void TearDown() override { ui::Application::instance()->setOnException(nullptr); }

    // Types into the box, then moves the focus on.
    void typeAndLeave(const QString& keys) {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, keys);
        other->setFocus();
        QTest::qWait(20);
    }

    QWidget form;
    ui::DateEdit* box;
    QLineEdit* other;
    QStringList errors;
};

TEST_F(DateEditTest, ACompleteDateIsReadDayFirst) {
    typeAndLeave("05032024");
    EXPECT_EQ(box->text(), "05/03/2024");
    EXPECT_EQ(box->date(), QDate(2024, 3, 5));
    EXPECT_TRUE(errors.isEmpty());
    EXPECT_TRUE(other->hasFocus());
}

TEST_F(DateEditTest, AnEmptyBoxIsTheZeroDate) {
    typeAndLeave("");
    EXPECT_TRUE(box->isBlank());
    EXPECT_EQ(box->date(), QDate(1899, 12, 30));
    EXPECT_TRUE(errors.isEmpty());
    box->setDate(QDate(2024, 12, 31));
    EXPECT_EQ(box->text(), "31/12/2024");
    box->setDate(ui::zeroDate());
    EXPECT_TRUE(box->isBlank());
}

TEST_F(DateEditTest, PartialOrImpossibleDatesAreRefusedAndKeepTheFocus) {
    for (const QString keys : {"0503", "050324", "31022024", "00012024", "01132024"}) {
        errors.clear();
        typeAndLeave(keys);
        ASSERT_EQ(errors.size(), 1) << keys.toStdString();
        EXPECT_TRUE(errors[0].contains("is not a valid date")) << errors[0].toStdString();
        EXPECT_TRUE(box->hasFocus()) << keys.toStdString();
        EXPECT_THROW(box->date(), ui::ConversionError);
    }
}

TEST_F(DateEditTest, ClosingTheWindowChecksNothing) {
    box->setFocus();
    box->setText("31/02/2024");
    form.close();
    QTest::qWait(20);
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(DateEditTest, TheDroppedDownCalendarPicksADate) {
    box->setDate(QDate(2024, 2, 10));
    box->dropDown();
    QCalendarWidget* calendar = box->calendar();
    ASSERT_TRUE(calendar->isVisible());
    EXPECT_EQ(calendar->selectedDate(), QDate(2024, 2, 10));
    emit calendar->clicked(QDate(2024, 2, 29));
    EXPECT_FALSE(calendar->isVisible());
    EXPECT_EQ(box->date(), QDate(2024, 2, 29));
    EXPECT_TRUE(errors.isEmpty());
}

}  // namespace
