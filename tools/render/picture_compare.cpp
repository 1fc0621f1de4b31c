#include "tools/render/picture_compare.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstdlib>

namespace {

int ChannelDifference(QRgb a, QRgb b) {
    return std::max(
        {std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

}  // namespace

PictureDifference ComparePictures(const QImage& picture, const QImage& reference, int tolerance) {
    PictureDifference d;
    d.total = static_cast<long long>(picture.width()) * picture.height();
    d.sameSize = !picture.isNull() && picture.size() == reference.size();
    if (!d.sameSize) {
        d.differing = d.total;
        d.largest = 255;
        return d;
    }
    const QImage a = picture.convertToFormat(QImage::Format_RGB32);
    const QImage b = reference.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < a.height(); ++y) {
        const auto* rowA = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* rowB = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            const int diff = ChannelDifference(rowA[x], rowB[x]);
            d.largest = std::max(d.largest, diff);
            if (diff > tolerance) ++d.differing;
        }
    }
    return d;
}

QImage DifferenceImage(const QImage& picture, const QImage& reference, int tolerance) {
    if (picture.isNull() || picture.size() != reference.size()) return {};
    const QImage a = picture.convertToFormat(QImage::Format_RGB32);
    const QImage b = reference.convertToFormat(QImage::Format_RGB32);
    QImage out(a.size(), QImage::Format_RGB32);
    for (int y = 0; y < a.height(); ++y) {
        const auto* rowA = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* rowB = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        auto* rowOut = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            rowOut[x] = ChannelDifference(rowA[x], rowB[x]) > tolerance
                            ? qRgb(255, 0, 255)
                            : qRgb(qRed(rowA[x]) / 4, qGreen(rowA[x]) / 4, qBlue(rowA[x]) / 4);
        }
    }
    return out;
}

QString DifferencePath(const QString& output) {
    const QFileInfo info(output);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral("-diff.png"));
}
