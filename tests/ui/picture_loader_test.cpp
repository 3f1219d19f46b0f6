#include <gtest/gtest.h>

#include <QPainter>
#include <stdexcept>

#include "ui/JpegCodec.h"
#include "ui/PictureLoader.h"

TEST(PictureLoader, JpegIsRegisteredOnlyWhileTheRegistrationLives) {
    EXPECT_FALSE(ui::isPictureFormatRegistered("jpg"));
    {
        ui::JpegFormatRegistration jpeg;
        EXPECT_TRUE(ui::isPictureFormatRegistered("jpg"));
        EXPECT_TRUE(ui::isPictureFormatRegistered("JPEG"));
        EXPECT_EQ(ui::pictureFormatDescription("jpeg"), "JPEG Image File");
    }
    EXPECT_FALSE(ui::isPictureFormatRegistered("jpeg"));
    EXPECT_THROW(ui::loadPicture(QByteArray("x"), "jpg"), std::runtime_error);
}

TEST(PictureLoader, DecodesWhatTheEncoderWrote) {
    QImage image(301, 166, QImage::Format_RGB888);
    image.fill(QColor(0, 0, 255));
    {
        QPainter p(&image);
        p.fillRect(0, 0, 100, 166, Qt::white);
    }
    ui::JpegFormatRegistration jpeg;
    const QImage decoded = ui::loadPicture(ui::encodeJpeg(image, 90), "jpg");
    ASSERT_EQ(decoded.size(), QSize(301, 166));
    const QColor left = decoded.pixelColor(50, 80);
    const QColor right = decoded.pixelColor(250, 80);
    EXPECT_GT(left.red(), 240);
    EXPECT_LT(right.red(), 20);
    EXPECT_GT(right.blue(), 230);
}

TEST(PictureLoader, BrokenDataFailsWithLibjpegsMessage) {
    ui::JpegFormatRegistration jpeg;
    try {
        ui::loadPicture(QByteArray("not a jpeg at all"), "jpeg");
        FAIL();
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("JPEG"), std::string::npos) << e.what();
    }
    QByteArray truncated = ui::encodeJpeg(QImage(20, 20, QImage::Format_RGB888), 80).left(30);
    EXPECT_THROW(ui::loadPicture(truncated, "jpeg"), std::runtime_error);
}
