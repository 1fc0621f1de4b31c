// Draws the program's icons at build time, so that no binary image has to be kept in the
// sources: the three tool-bar symbols at 16 and 32 pixels and the program icon at the sizes
// that desktops ask for.
//
// Usage: tesmora-icongen OUTPUT_DIR

#include <QColor>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QString>
#include <cstdio>
#include <functional>

namespace {

using Drawing = std::function<void(QPainter&)>;

// Renders DRAWING, made for a UNITS x UNITS square, at SIZE x SIZE pixels.
bool Render(const QString& path, int size, int units, const Drawing& drawing) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(static_cast<double>(size) / units, static_cast<double>(size) / units);
        drawing(painter);
    }
    if (image.save(path, "PNG")) return true;
    std::fprintf(stderr, "tesmora-icongen: cannot write %s\n", qPrintable(path));
    return false;
}

// A sheet of paper with its top-right corner folded over.
void DrawNew(QPainter& p) {
    QPainterPath sheet;
    sheet.moveTo(3, 1.5);
    sheet.lineTo(10, 1.5);
    sheet.lineTo(13, 4.5);
    sheet.lineTo(13, 14.5);
    sheet.lineTo(3, 14.5);
    sheet.closeSubpath();
    p.setPen(QPen(QColor(60, 60, 60), 1.0));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    QPainterPath fold;
    fold.moveTo(10, 1.5);
    fold.lineTo(10, 4.5);
    fold.lineTo(13, 4.5);
    p.setBrush(QColor(210, 210, 210));
    p.drawPath(fold);
}

// An open yellow folder.
void DrawOpen(QPainter& p) {
    p.setPen(QPen(QColor(120, 90, 20), 1.0));
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6, 3.5);
    back.lineTo(7.5, 5);
    back.lineTo(13, 5);
    back.lineTo(13, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.setBrush(QColor(230, 190, 70));
    p.drawPath(back);
    QPainterPath front;
    front.moveTo(1.5, 13.5);
    front.lineTo(4, 7.5);
    front.lineTo(15, 7.5);
    front.lineTo(13, 13.5);
    front.closeSubpath();
    p.setBrush(QColor(250, 220, 110));
    p.drawPath(front);
}

// A floppy disk: blue body, light label, dark shutter.
void DrawSave(QPainter& p) {
    p.setPen(QPen(QColor(20, 40, 90), 1.0));
    p.setBrush(QColor(60, 100, 190));
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.0, 1.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(235, 235, 235));
    p.drawRect(QRectF(4, 2, 8, 5));
    p.setBrush(QColor(40, 40, 50));
    p.drawRect(QRectF(4.5, 10, 7, 4.5));
    p.setBrush(QColor(200, 200, 210));
    p.drawRect(QRectF(9, 10.8, 1.6, 3));
}

// The program: a flow picture on black, a speed field in green with white streamlines and
// one red-to-white hedgehog arrow, on a 64-unit square.
void DrawProgram(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 8, 8);
    QLinearGradient field(QPointF(8, 8), QPointF(56, 56));
    field.setColorAt(0.0, QColor(0, 70, 0));
    field.setColorAt(0.5, QColor(0, 220, 0));
    field.setColorAt(1.0, QColor(0, 90, 0));
    p.setBrush(field);
    p.drawRect(QRectF(10, 6, 44, 52));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
    for (int k = 0; k < 4; ++k) {
        const double y = 14 + 11.0 * k;
        QPainterPath line;
        line.moveTo(12, y);
        line.cubicTo(24, y - 8, 38, y + 8, 52, y);
        p.drawPath(line);
    }
    QLinearGradient arrow(QPointF(16, 50), QPointF(30, 44));
    arrow.setColorAt(0.0, Qt::red);
    arrow.setColorAt(1.0, Qt::white);
    p.setPen(QPen(QBrush(arrow), 3.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(16, 50), QPointF(30, 44));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tesmora-icongen OUTPUT_DIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "tesmora-icongen: cannot create %s\n", argv[1]);
        return 1;
    }
    bool ok = true;
    const struct {
        const char* name;
        void (*draw)(QPainter&);
    } tools[] = {{"file_new", DrawNew}, {"file_open", DrawOpen}, {"file_save", DrawSave}};
    for (const auto& tool : tools) {
        ok =
            Render(out.filePath(QStringLiteral("%1.png").arg(QLatin1String(tool.name))), 16, 16, tool.draw) &&
            ok;
        ok = Render(out.filePath(QStringLiteral("%1@2x.png").arg(QLatin1String(tool.name))), 32, 16,
                    tool.draw) &&
             ok;
    }
    ok = Render(out.filePath(QStringLiteral("tesmora.png")), 64, 64, DrawProgram) && ok;
    for (const int size : {16, 32, 48, 128, 256})
        ok = Render(out.filePath(QStringLiteral("tesmora-%1.png").arg(size)), size, 64, DrawProgram) && ok;
    return ok ? 0 : 1;
}
