#pragma once

#include <QByteArray>
#include <QImage>

namespace ui {

// JPEG through libjpeg. decodeJpeg raises std::runtime_error with libjpeg's message on bad data.
QImage decodeJpeg(const QByteArray& data);
QByteArray encodeJpeg(const QImage& image, int quality);

}  // namespace ui
