#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <functional>

namespace ui {

// The picture loader: decoders registered by file extension, each with a description.
using PictureDecoder = std::function<QImage(const QByteArray& data)>;

void registerPictureFormat(const QString& extension, const QString& description,
                           PictureDecoder decoder);
void unregisterPictureFormat(const QString& extension);
bool isPictureFormatRegistered(const QString& extension);
QString pictureFormatDescription(const QString& extension);

// Decodes data stored in the format of the given extension. Raises std::runtime_error when the
// format is not registered or the data cannot be decoded.
QImage loadPicture(const QByteArray& data, const QString& extension);

// Registers the JPEG decoder under "jpeg" and "jpg" as "JPEG Image File" while alive.
class JpegFormatRegistration {
public:
    JpegFormatRegistration();
    ~JpegFormatRegistration();
    JpegFormatRegistration(const JpegFormatRegistration&) = delete;
    JpegFormatRegistration& operator=(const JpegFormatRegistration&) = delete;
};

}  // namespace ui
