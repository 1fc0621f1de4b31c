#pragma once

#include <QImage>
#include <cstring>

#include "tests/support/picture_kit.h"

// Qt's pictures (top row first) as the kit reads them.
namespace picturekit {

inline Rgb ToRgb(QRgb c) {
    return {qRed(c), qGreen(c), qBlue(c)};
}

inline Picture PictureOf(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const int w = rgb.width();
    const int h = rgb.height();
    const std::size_t rowBytes = static_cast<std::size_t>(w) * 3u;
    std::vector<std::uint8_t> bytes(rowBytes * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y)
        std::memcpy(bytes.data() + static_cast<std::size_t>(h - 1 - y) * rowBytes, rgb.constScanLine(y),
                    rowBytes);
    return Picture(std::move(bytes), w, h);
}

}  // namespace picturekit
