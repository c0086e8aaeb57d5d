// Conversions between the process's code page and UTF-16.
#include "platform/codepage.h"

#include <QString>

namespace platform {

std::u16string ansiToWide(std::string_view text) {
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size()));
}

std::string wideToAnsi(std::u16string_view text) {
    const QString s = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
    const QByteArray b = s.toUtf8();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

}  // namespace platform
