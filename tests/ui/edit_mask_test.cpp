#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

#include "ui/Edit.h"
#include "ui/EditMask.h"

TEST(EditMask, MasksTranslateToTheToolkitsNotation) {
    EXPECT_EQ(ui::toInputMask(">aaa;0; "), ">nnn; ");
    EXPECT_EQ(ui::toInputMask(">aaaaaaaaaa;0; "), ">nnnnnnnnnn; ");
    EXPECT_EQ(ui::toInputMask("!99/99/9999;1;_"), "00/00/0000;_");
    EXPECT_EQ(ui::toInputMask("LLL-000"), "AAA-999");
    EXPECT_EQ(ui::toInputMask("<>ccC;0"), "!xxX");
    EXPECT_EQ(ui::toInputMask("\\A-a"), "\\A-n");  // an escaped mask letter stays a literal
    EXPECT_EQ(ui::toInputMask("(N)"), "(\\N)");    // so does a toolkit mask letter
    EXPECT_EQ(ui::toInputMask(""), "");
}

TEST(EditMask, TheAttributeCodeMaskTakesUpToItsSizeInUpperCase) {
    QLineEdit edit;
    edit.setInputMask(ui::toInputMask(">aaa;0; "));
    QTest::keyClicks(&edit, "a1-bc");
    EXPECT_EQ(edit.text(), "A1B");
    edit.clear();
    QTest::keyClicks(&edit, "z");
    EXPECT_EQ(edit.text(), "Z");
}

TEST(Edit, UpperCaseAndMaximumLength) {
    ui::Edit edit(nullptr, 5);
    QTest::keyClicks(&edit, "ab");
    EXPECT_EQ(edit.text(), "ab");
    edit.clear();
    edit.setUpperCase(true);
    QTest::keyClicks(&edit, "abc-defg");
    EXPECT_EQ(edit.text(), "ABC-D");
    edit.setMaxLength(10);
    edit.selectAll();
    edit.insert("ก่อน q");
    EXPECT_EQ(edit.text(), "ก่อน Q");
}
