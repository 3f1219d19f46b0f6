#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "ui/MessageBox.h"

namespace {

// Presses the button of the given role on the first message box that appears.
void pressWhenShown(QMessageBox::StandardButton which, QString* seenText, QPalette* seenPalette) {
    QTimer::singleShot(20, [=] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                *seenText = box->text();
                *seenPalette = box->palette();
                box->button(which)->click();
                return;
            }
        }
        pressWhenShown(which, seenText, seenPalette);
    });
}

}  // namespace

TEST(MessageBox, RealConfirmationAnswersWithTheButtonPressed) {
    QString text;
    QPalette palette;
    pressWhenShown(QMessageBox::No, &text, &palette);
    EXPECT_FALSE(ui::confirm("ออกจากโปรแกรม ?", QColor(0x008000), QColor(0xFFFFFF)));
    EXPECT_EQ(text, "ออกจากโปรแกรม ?");
    EXPECT_EQ(palette.color(QPalette::Window), QColor(0x008000));
    EXPECT_EQ(palette.color(QPalette::WindowText), QColor(0xFFFFFF));

    pressWhenShown(QMessageBox::Yes, &text, &palette);
    EXPECT_TRUE(ui::confirm("Exit Program ?"));
    EXPECT_EQ(text, "Exit Program ?");
}

TEST(MessageBox, RealPlainBoxClosesOnOk) {
    QString text;
    QPalette palette;
    pressWhenShown(QMessageBox::Ok, &text, &palette);
    ui::showMessage("Not Found Database : XYZ");
    EXPECT_EQ(text, "Not Found Database : XYZ");
}

TEST(MessageBox, ResponderSeesRequestsInsteadOfAPerson) {
    std::vector<ui::MessageBoxRequest> seen;
    ui::setMessageBoxResponder([&](const ui::MessageBoxRequest& r) {
        seen.push_back(r);
        return false;
    });
    ui::showMessage("one");
    EXPECT_FALSE(ui::confirm("two", Qt::green, Qt::white));
    ui::setMessageBoxResponder(nullptr);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].kind, ui::MessageBoxRequest::Kind::Plain);
    EXPECT_EQ(seen[1].kind, ui::MessageBoxRequest::Kind::Confirmation);
    EXPECT_EQ(seen[1].background, QColor(Qt::green));
}
