#include <gtest/gtest.h>

#include <QLabel>

#include "app/Fr_FormLogo.h"
#include "ui/PictureLoader.h"

TEST(Splash, BorderlessBlueWindowWithTheStretchedPicture) {
    ui::JpegFormatRegistration jpeg;
    TFormLogo logo;
    EXPECT_EQ(logo.size(), QSize(301, 166));
    EXPECT_TRUE(logo.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(logo.palette().color(QPalette::Window), QColor(Qt::blue));
    EXPECT_EQ(logo.cursor().shape(), Qt::PointingHandCursor);
    ASSERT_EQ(logo.findChild<QLabel*>("Image1"), logo.Image1);
    EXPECT_TRUE(logo.Image1->hasScaledContents());
    EXPECT_EQ(logo.Image1->geometry(), QRect(0, 0, 301, 166));
    const QPixmap picture = logo.Image1->pixmap();
    ASSERT_FALSE(picture.isNull()) << "the built-in JPEG decodes";
    EXPECT_EQ(picture.width() * 166, picture.height() * 301)
        << "the picture has the window's proportions";
}
