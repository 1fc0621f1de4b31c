#include "common/native_names.h"

#include <QByteArray>
#include <QUrl>
#include <cstdint>
#include <cstdio>

namespace common {

namespace {

constexpr char16_t kEscapeBase = 0xDC00;

// The length of the valid UTF-8 sequence at the start of BYTES and its code point, or 0 when
// it does not start with one: overlong forms, encoded surrogates and code points beyond
// U+10FFFF are not valid.
std::size_t Utf8Sequence(std::string_view bytes, char32_t* code) {
    const auto b0 = static_cast<unsigned char>(bytes[0]);
    std::size_t n = 0;
    char32_t c = 0;
    char32_t least = 0;
    if (b0 < 0x80) {
        *code = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        n = 2, c = b0 & 0x1Fu, least = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        n = 3, c = b0 & 0x0Fu, least = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        n = 4, c = b0 & 0x07u, least = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() < n) return 0;
    for (std::size_t i = 1; i < n; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if ((b & 0xC0) != 0x80) return 0;
        c = (c << 6) | (b & 0x3Fu);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    *code = c;
    return n;
}

}  // namespace

QString FromNative(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    while (!bytes.empty()) {
        char32_t code = 0;
        const std::size_t n = Utf8Sequence(bytes, &code);
        if (n == 0) {
            text += QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[0])));
            bytes.remove_prefix(1);
            continue;
        }
        if (code >= 0x10000) {
            const char32_t high = code - 0x10000;
            text += QChar(static_cast<char16_t>(0xD800 + (high >> 10)));
            text += QChar(static_cast<char16_t>(0xDC00 + (high & 0x3FF)));
        } else {
            text += QChar(static_cast<char16_t>(code));
        }
        bytes.remove_prefix(n);
    }
    return text;
}

std::string ToNative(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    qsizetype start = 0;
    // Runs of ordinary text go through Qt's encoder; the escapes between them are bytes.
    auto flush = [&](qsizetype end) {
        if (end > start) bytes += text.mid(start, end - start).toUtf8().toStdString();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const bool afterHigh = i > 0 && text[i - 1].isHighSurrogate();
        if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF && !afterHigh) {
            flush(i);
            bytes += static_cast<char>(c - kEscapeBase);
            start = i + 1;
        }
    }
    flush(text.size());
    return bytes;
}

QStringList NativeArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << FromNative(argv[i]);
    return arguments;
}

std::string NativePathOfUrl(const QUrl& url) {
    if (!url.isLocalFile()) return ToNative(url.toString());
    return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

std::string PrintableName(std::string_view bytes) {
    std::string out;
    while (!bytes.empty()) {
        char32_t code = 0;
        const std::size_t n = Utf8Sequence(bytes, &code);
        if (n == 0) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned char>(bytes[0]));
            out += escaped;
            bytes.remove_prefix(1);
        } else {
            out.append(bytes.substr(0, n));
            bytes.remove_prefix(n);
        }
    }
    return out;
}

}  // namespace common
