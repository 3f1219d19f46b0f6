#include "server/ThaiCodePage.h"

#include <unicode/ucnv.h>

#include <stdexcept>

namespace tds {

ThaiCodePage::ThaiCodePage() {
    UErrorCode status = U_ZERO_ERROR;
    converter_ = ucnv_open("windows-874", &status);
    if (U_FAILURE(status))
        throw std::runtime_error("the Thai code page is not available");
    status = U_ZERO_ERROR;
    ucnv_setSubstChars(converter_, "?", 1, &status);
}

ThaiCodePage::~ThaiCodePage() {
    ucnv_close(converter_);
}

QByteArray ThaiCodePage::encode(const QString& text) {
    QByteArray out(text.size() * 2 + 1, Qt::Uninitialized);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_fromUChars(converter_, out.data(), static_cast<int32_t>(out.size()),
                                      reinterpret_cast<const UChar*>(text.utf16()),
                                      static_cast<int32_t>(text.size()), &status);
    out.truncate(U_SUCCESS(status) ? n : 0);
    return out;
}

QString ThaiCodePage::decode(const QByteArray& bytes) {
    QString out(bytes.size() + 1, Qt::Uninitialized);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t n = ucnv_toUChars(converter_, reinterpret_cast<UChar*>(out.data()),
                                    static_cast<int32_t>(out.size()), bytes.constData(),
                                    static_cast<int32_t>(bytes.size()), &status);
    out.truncate(U_SUCCESS(status) ? n : 0);
    return out;
}

}  // namespace tds
