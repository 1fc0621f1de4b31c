#include "lettering/legend_text_painter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QString>
#include <cmath>
#include <cstring>

namespace {

// Panels beyond this many pixels a side are not painted: no window is that large.
constexpr double kLargestSide = 16384.0;

}  // namespace

QFont LegendFont(int pixelSize, bool bold) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    // Unhinted outlines scale with the picture, so that a zoomed legend is the same legend.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

void PaintLegendTexts(QPainter& painter, const std::vector<LegendText>& texts, QPointF topLeft, int height) {
    painter.setPen(Qt::white);
    for (const LegendText& t : texts) {
        const QFont font = LegendFont(t.pixelSize, t.bold);
        painter.setFont(font);
        const QFontMetricsF metrics(font);
        // The layout counts from the panel's bottom edge.
        const double fromTop = height - t.y;
        const double baseline = t.anchor == LegendText::Anchor::kBaseline
                                    ? fromTop
                                    : fromTop + (metrics.ascent() - metrics.descent()) / 2.0;
        painter.drawText(QPointF(topLeft.x() + t.x, topLeft.y() + baseline), QString::fromStdString(t.utf8));
    }
}

TextImage QtLegendTextPainter::Paint(const std::vector<LegendText>& texts, int width, int height,
                                     double zoom) const {
    Request request{texts, width, height, zoom};
    if (request == m_last) return m_image;

    TextImage out;
    const double w = std::ceil(width * zoom);
    const double h = std::ceil(height * zoom);
    if (!(w >= 1.0 && h >= 1.0 && w <= kLargestSide && h <= kLargestSide)) return out;
    QImage image(static_cast<int>(w), static_cast<int>(h), QImage::Format_RGB888);
    image.fill(Qt::black);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::TextAntialiasing);
        painter.scale(zoom, zoom);
        PaintLegendTexts(painter, texts, QPointF(0.0, 0.0), height);
    }
    out.width = image.width();
    out.height = image.height();
    const auto rowBytes = static_cast<std::size_t>(out.width) * 3u;
    out.rgb.resize(rowBytes * static_cast<std::size_t>(out.height));
    for (int row = 0; row < out.height; ++row)
        std::memcpy(out.rgb.data() + static_cast<std::size_t>(out.height - 1 - row) * rowBytes,
                    image.constScanLine(row), rowBytes);
    m_last = std::move(request);
    m_image = out;
    return out;
}
