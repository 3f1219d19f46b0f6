#include "ui/JpegCodec.h"

#include <csetjmp>
#include <cstdio>
#include <stdexcept>
#include <string>
// clang-format off
#include <jpeglib.h>
// clang-format on

namespace ui {

namespace {

// libjpeg reports fatal errors through error_exit; jump back to the caller with the message.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr info) {
    auto* mgr = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, mgr->message);
    std::longjmp(mgr->jump, 1);
}

// Kept free of objects with destructors, since a longjmp may leave it.
bool decodeInto(const QByteArray& data, QImage* out, ErrorManager* err) {
    jpeg_decompress_struct info;
    info.err = jpeg_std_error(&err->base);
    err->base.error_exit = onError;
    if (setjmp(err->jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    *out = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                  QImage::Format_RGB888);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out->scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

bool encodeInto(const QImage& rgb, int quality, unsigned char** buffer, unsigned long* size,
                ErrorManager* err) {
    jpeg_compress_struct info;
    info.err = jpeg_std_error(&err->base);
    err->base.error_exit = onError;
    if (setjmp(err->jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, buffer, size);
    info.image_width = static_cast<JDIMENSION>(rgb.width());
    info.image_height = static_cast<JDIMENSION>(rgb.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<uchar*>(rgb.constScanLine(static_cast<int>(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

QImage decodeJpeg(const QByteArray& data) {
    if (data.isEmpty())
        throw std::runtime_error("JPEG error: empty picture data");
    QImage image;
    ErrorManager err{};
    if (!decodeInto(data, &image, &err))
        throw std::runtime_error(std::string("JPEG error: ") + err.message);
    return image;
}

QByteArray encodeJpeg(const QImage& image, int quality) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    ErrorManager err{};
    const bool ok = encodeInto(rgb, quality, &buffer, &size, &err);
    QByteArray out = ok ? QByteArray(reinterpret_cast<const char*>(buffer), static_cast<int>(size))
                        : QByteArray();
    std::free(buffer);
    if (!ok)
        throw std::runtime_error(std::string("JPEG error: ") + err.message);
    return out;
}

}  // namespace ui
