#include "output/png_file.h"

#include <zlib.h>

#include <QBuffer>
#include <QImageWriter>
#include <utility>
#include <vector>

namespace {

constexpr int kSignatureBytes = 8;
constexpr int kChunkHeaderBytes = 8;  // length and type
constexpr int kCrcBytes = 4;

void PutUint32(QByteArray& out, quint32 value) {
    out += static_cast<char>((value >> 24) & 0xffu);
    out += static_cast<char>((value >> 16) & 0xffu);
    out += static_cast<char>((value >> 8) & 0xffu);
    out += static_cast<char>(value & 0xffu);
}

quint32 GetUint32(const QByteArray& in, qsizetype at) {
    const auto byte = [&](qsizetype i) {
        return static_cast<quint32>(static_cast<unsigned char>(in[at + i]));
    };
    return (byte(0) << 24) | (byte(1) << 16) | (byte(2) << 8) | byte(3);
}

void AppendChunk(QByteArray& out, const char* type, const QByteArray& data) {
    PutUint32(out, static_cast<quint32>(data.size()));
    const qsizetype typeAt = out.size();
    out.append(type, 4);
    out += data;
    const auto* crcStart = reinterpret_cast<const Bytef*>(out.constData() + typeAt);
    PutUint32(out, static_cast<quint32>(crc32(0, crcStart, static_cast<uInt>(4 + data.size()))));
}

// tEXt holds Latin-1 without control characters but the line feed; all else goes to iTXt.
bool FitsText(const QString& text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u > 0xff || (u < 0x20 && u != '\n') || (u >= 0x7f && u < 0xa0)) return false;
    }
    return true;
}

QByteArray TextChunk(const QString& keyword, const QString& text, const char** type) {
    QByteArray data = keyword.left(79).toLatin1();
    data += '\0';
    if (FitsText(text)) {
        *type = "tEXt";
        return data + text.toLatin1();
    }
    *type = "iTXt";
    // Not compressed, no language tag, no translated keyword.
    data += '\0';
    data += '\0';
    data += '\0';
    data += '\0';
    return data + text.toUtf8();
}

}  // namespace

QByteArray PngBytes(const QImage& image, const PictureNotes& notes) {
    QByteArray encoded;
    {
        QBuffer buffer(&encoded);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        if (!writer.write(image)) return {};
    }
    // Qt compresses every text longer than 40 characters (zTXt); the notes go in plainly, so that
    // every reader finds them, right after the header chunk.
    if (encoded.size() < kSignatureBytes + kChunkHeaderBytes) return {};
    const qsizetype headerEnd = kSignatureBytes + kChunkHeaderBytes +
                                static_cast<qsizetype>(GetUint32(encoded, kSignatureBytes)) + kCrcBytes;
    if (encoded.size() < headerEnd) return {};
    QByteArray out = encoded.left(headerEnd);
    std::vector<std::pair<QString, QString>> chunks{{QStringLiteral("Title"), notes.title},
                                                    {QStringLiteral("Software"), notes.software}};
    chunks.insert(chunks.end(), notes.entries.begin(), notes.entries.end());
    for (const auto& [keyword, text] : chunks) {
        if (text.isEmpty()) continue;
        const char* type = nullptr;
        const QByteArray data = TextChunk(keyword, text, &type);
        AppendChunk(out, type, data);
    }
    out += encoded.mid(headerEnd);
    return out;
}
