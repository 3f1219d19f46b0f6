#include "ui/PictureLoader.h"

#include <map>
#include <stdexcept>

#include "ui/JpegCodec.h"

namespace ui {

namespace {

struct Format {
    QString description;
    PictureDecoder decoder;
};

std::map<QString, Format>& formats() {
    static std::map<QString, Format> f;
    return f;
}

}  // namespace

void registerPictureFormat(const QString& extension, const QString& description,
                           PictureDecoder decoder) {
    formats()[extension.toLower()] = {description, std::move(decoder)};
}

void unregisterPictureFormat(const QString& extension) {
    formats().erase(extension.toLower());
}

bool isPictureFormatRegistered(const QString& extension) {
    return formats().count(extension.toLower()) > 0;
}

QString pictureFormatDescription(const QString& extension) {
    auto it = formats().find(extension.toLower());
    return it == formats().end() ? QString() : it->second.description;
}

QImage loadPicture(const QByteArray& data, const QString& extension) {
    auto it = formats().find(extension.toLower());
    if (it == formats().end())
        throw std::runtime_error("Unknown picture file extension (." + extension.toStdString() +
                                 ")");
    return it->second.decoder(data);
}

JpegFormatRegistration::JpegFormatRegistration() {
    for (const char* ext : {"jpeg", "jpg"})
        registerPictureFormat(QString::fromLatin1(ext), QStringLiteral("JPEG Image File"),
                              decodeJpeg);
}

JpegFormatRegistration::~JpegFormatRegistration() {
    unregisterPictureFormat(QStringLiteral("jpeg"));
    unregisterPictureFormat(QStringLiteral("jpg"));
}

}  // namespace ui
