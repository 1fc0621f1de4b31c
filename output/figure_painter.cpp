#include "output/figure_painter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QString>
#include <algorithm>
#include <cmath>

#include "lettering/legend_text_painter.h"
#include "render/picture_frame.h"

namespace {

constexpr double kTickLength = 5.0;
constexpr double kLabelPad = 3.0;  // between a tick and its label
constexpr double kTitlePad = 6.0;  // around the axes' titles and the title line
constexpr double kEdgePad = 2.0;   // between a text and the page's edge

QString Text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

double WidestLabel(const std::vector<AxisTick>& ticks, const QFontMetricsF& metrics) {
    double widest = 0.0;
    for (const AxisTick& t : ticks) widest = std::max(widest, metrics.horizontalAdvance(Text(t.label)));
    return widest;
}

int Whole(double v) {
    return static_cast<int>(std::ceil(v - 1e-9));
}

}  // namespace

FigureMargins MarginsOf(const FigureLayout& figure, bool legend) {
    FigureMargins m;
    if (figure.IsEmpty()) return m;
    const QFontMetricsF label(LegendFont(kAxisLabelSize, false));
    if (figure.axes) {
        const double lineHeight = label.ascent() + label.descent();
        m.left = Whole(1.0 + kTickLength + kLabelPad + WidestLabel(figure.y, label) + kTitlePad + lineHeight +
                       kEdgePad);
        m.bottom = Whole(1.0 + kTickLength + kLabelPad + lineHeight + kTitlePad + lineHeight + kEdgePad);
        // The labels at the ends reach half their width beyond their ticks, and the top one of
        // y half a line above the frame.
        double right = 1.0, left = 0.0;
        for (const AxisTick& t : figure.x) {
            const double half = label.horizontalAdvance(Text(t.label)) / 2.0;
            left = std::max(left, half - t.position);
            right = std::max(right, t.position + half - figure.width + kEdgePad);
        }
        m.left = std::max(m.left, Whole(left + kEdgePad));
        // Beside the legend's panel the label stands below it, in the bottom margin.
        m.right = legend ? 0 : Whole(right);
        m.top = Whole(lineHeight / 2.0 + kEdgePad);
    }
    if (!figure.title.empty()) {
        const QFontMetricsF title(LegendFont(kFigureTitleSize, true));
        m.top = Whole(kTitlePad + title.ascent() + title.descent() + kTitlePad);
    }
    return m;
}

void PaintFigure(QPainter& painter, const FigureLayout& figure, QPointF dataTopLeft, bool snap) {
    const double left = dataTopLeft.x(), top = dataTopLeft.y();
    const double width = figure.width, height = figure.height;
    // A mark of one pixel's width across its centre line, on whole pixels for a raster.
    const auto bar = [&](double x, double y, double w, double h) {
        if (snap) {
            x = std::round(x);
            y = std::round(y);
        }
        painter.fillRect(QRectF(x, y, w, h), Qt::white);
    };
    painter.save();
    painter.setPen(Qt::white);
    const QFont labelFont = LegendFont(kAxisLabelSize, false);
    const QFontMetricsF label(labelFont);
    painter.setFont(labelFont);
    if (figure.axes) {
        // The frame in the pixels just outside the data.
        bar(left - 1.0, top - 1.0, width + 2.0, 1.0);
        bar(left - 1.0, top + height, width + 2.0, 1.0);
        bar(left - 1.0, top - 1.0, 1.0, height + 2.0);
        bar(left + width, top - 1.0, 1.0, height + 2.0);
        const double below = top + height + 1.0;
        for (const AxisTick& t : figure.x) {
            const double x = left + t.position;
            bar(x - 0.5, below, 1.0, kTickLength);
            const QString text = Text(t.label);
            painter.drawText(QPointF(x - label.horizontalAdvance(text) / 2.0,
                                     below + kTickLength + kLabelPad + label.ascent()),
                             text);
        }
        const double beside = left - 1.0 - kTickLength;
        for (const AxisTick& t : figure.y) {
            const double y = top + height - t.position;
            bar(beside, y - 0.5, kTickLength, 1.0);
            const QString text = Text(t.label);
            painter.drawText(QPointF(beside - kLabelPad - label.horizontalAdvance(text),
                                     y + (label.ascent() - label.descent()) / 2.0),
                             text);
        }
        const double lineHeight = label.ascent() + label.descent();
        const QString xTitle = Text(figure.xTitle);
        painter.drawText(QPointF(left + (width - label.horizontalAdvance(xTitle)) / 2.0,
                                 below + kTickLength + kLabelPad + lineHeight + kTitlePad + label.ascent()),
                         xTitle);
        // The y title reads upwards, its baseline right of its letters.
        const QString yTitle = Text(figure.yTitle);
        const double baseline =
            beside - kLabelPad - WidestLabel(figure.y, label) - kTitlePad - label.descent();
        painter.save();
        painter.translate(baseline, top + height / 2.0);
        painter.rotate(-90.0);
        painter.drawText(QPointF(-label.horizontalAdvance(yTitle) / 2.0, 0.0), yTitle);
        painter.restore();
    }
    if (!figure.title.empty()) {
        const QFont titleFont = LegendFont(kFigureTitleSize, true);
        const QFontMetricsF metrics(titleFont);
        painter.setFont(titleFont);
        const QString title = Text(figure.title);
        // Centred over the data, but never beyond the page's left edge.
        const double x = std::max(kEdgePad, left + (width - metrics.horizontalAdvance(title)) / 2.0);
        const double y = top - (figure.axes ? 1.0 : 0.0) - kTitlePad - metrics.descent();
        painter.drawText(QPointF(x, y), title);
    }
    painter.restore();
}

QImage FigureImage(const QImage& picture, const FigureLayout& figure, bool legend) {
    if (figure.IsEmpty()) return picture;
    const FigureMargins m = MarginsOf(figure, legend);
    QImage image(picture.width() + m.left + m.right, picture.height() + m.top + m.bottom,
                 QImage::Format_RGB888);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.drawImage(QPoint(m.left, m.top), picture);
    painter.setRenderHint(QPainter::TextAntialiasing);
    PaintFigure(painter, figure, QPointF(m.left, m.top), true);
    return image;
}
