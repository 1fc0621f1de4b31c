#include "output/vector_file.h"

#include <QBuffer>
#include <QLinearGradient>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <QXmlStreamWriter>
#include <cmath>
#include <cstring>
#include <optional>

#include "base/raster_geometry.h"
#include "lettering/legend_text_painter.h"
#include "output/figure_painter.h"
#include "render/scene_drawing.h"

namespace {

// The page's width with the legend's panel or without it, and the figure's margins.
FigureMargins Margins(const VectorPicture& picture) {
    return MarginsOf(picture.figure, picture.legend.has_value());
}
int PageWidth(const VectorPicture& picture) {
    const FigureMargins m = Margins(picture);
    return m.left + PictureWidth(picture.legend.has_value(), picture.raster.width) + m.right;
}
int PageHeight(const VectorPicture& picture) {
    const FigureMargins m = Margins(picture);
    return m.top + picture.raster.height + m.bottom;
}

// The page's coordinates of the picture's pixels: pixel x spans x to x + 1, y from the bottom.
constexpr double kToCentreX = kLineVertexX - 0.5;
constexpr double kToCentreY = kLineVertexY - 0.5;

struct Bounds {
    double left, right, bottom, top;
};
Bounds BoundsOf(RasterSize raster) {
    return {0.0, static_cast<double>(raster.width), 0.0, static_cast<double>(raster.height)};
}

QColor ColourOf(const CapturedColour& c) {
    return QColor::fromRgbF(c.r, c.g, c.b);
}

struct Segment {
    QPointF a, b;
};

// The part of A-B inside the picture (Liang and Barsky); none when it lies wholly outside.
std::optional<Segment> Clipped(QPointF a, QPointF b, const Bounds& k) {
    double t0 = 0.0, t1 = 1.0;
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x() - k.left, k.right - a.x(), a.y() - k.bottom, k.top - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return std::nullopt;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 > t1) return std::nullopt;
    }
    if (t0 == 0.0 && t1 == 1.0) return Segment{a, b};
    return Segment{a + t0 * (b - a), a + t1 * (b - a)};
}

// Consecutive lines of one colour that continue each other are one path: a streamline's
// segments, which the drawing sends one by one.
class LinePainter {
public:
    LinePainter(QPainter& painter, RasterSize raster, double width)
        : m_painter(painter), m_bounds(BoundsOf(raster)), m_width(width) {
        m_pen.setWidthF(width);
        m_pen.setCapStyle(Qt::FlatCap);
        m_pen.setJoinStyle(Qt::RoundJoin);
    }
    ~LinePainter() { Flush(); }
    LinePainter(const LinePainter&) = delete;
    LinePainter& operator=(const LinePainter&) = delete;

    void Line(const CapturedLine& line) {
        // Window coordinates of the classic view, less where the picture starts in it, and the
        // drawing's points moved from where they stand in their pixels to the pixels' centres,
        // on the pixels the PNG lights.
        const QPointF a(line.x0 - kImageOriginX - kToCentreX, line.y0 - kImageOriginY - kToCentreY);
        const QPointF b(line.x1 - kImageOriginX - kToCentreX, line.y1 - kImageOriginY - kToCentreY);
        const std::optional<Segment> s = Clipped(a, b, m_bounds);
        if (!s) return;
        if (line.c0 == line.c1) {
            Solid(*s, line.c0, s->b == b);
        } else {
            Flush();
            Shaded(*s, a, b, line.c0, line.c1);
        }
    }

    void Flush() {
        if (m_path.isEmpty()) return;
        m_pen.setColor(ColourOf(m_colour));
        m_painter.strokePath(m_path, m_pen);
        m_path = QPainterPath();
    }

private:
    void Solid(const Segment& s, const CapturedColour& colour, bool endsWhole) {
        const bool continues = !m_path.isEmpty() && colour == m_colour && s.a == m_end && m_whole;
        if (!continues) {
            Flush();
            m_path.moveTo(s.a);
            m_colour = colour;
        }
        m_path.lineTo(s.b);
        m_end = s.b;
        m_whole = endsWhole;
    }

    // The outline of a line as wide as the others, filled along it from C0 at A to C1 at B.
    void Shaded(const Segment& s, QPointF a, QPointF b, const CapturedColour& c0, const CapturedColour& c1) {
        const QPointF d = s.b - s.a;
        const double length = std::hypot(d.x(), d.y());
        if (!(length > 0.0)) return;
        const QPointF half(-d.y() / length * 0.5 * m_width, d.x() / length * 0.5 * m_width);
        QPainterPath outline;
        outline.moveTo(s.a + half);
        outline.lineTo(s.b + half);
        outline.lineTo(s.b - half);
        outline.lineTo(s.a - half);
        outline.closeSubpath();
        QLinearGradient gradient(a, b);
        gradient.setColorAt(0.0, ColourOf(c0));
        gradient.setColorAt(1.0, ColourOf(c1));
        m_painter.fillPath(outline, QBrush(gradient));
    }

    QPainter& m_painter;
    const Bounds m_bounds;
    const double m_width;
    QPen m_pen;
    QPainterPath m_path;
    CapturedColour m_colour;
    QPointF m_end;
    // The last segment ends where its line ends, so a path may go on from it; a streamline that
    // starts on the picture's first row or column is cut at its start and stays one path.
    bool m_whole = true;
};

// Text as XML may hold it: without the control characters XML 1.0 forbids.
QString XmlSafe(const QString& text) {
    QString safe;
    safe.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool allowed = u >= 0x20 || u == '\t' || u == '\n' || u == '\r';
        safe += allowed && u != 0xFFFE && u != 0xFFFF ? c : QChar(0xFFFD);
    }
    return safe;
}

// The XMP packet: Dublin Core's title and description, the creating program, and each note
// under its own keyword in Tesmora's namespace.
QByteArray Xmp(const PictureNotes& notes) {
    QByteArray xmp;
    QBuffer buffer(&xmp);
    buffer.open(QIODevice::WriteOnly);
    buffer.write("<?xpacket begin=\"\xef\xbb\xbf\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n");
    QXmlStreamWriter w(&buffer);
    w.setAutoFormatting(true);
    const QString rdf = QStringLiteral("http://www.w3.org/1999/02/22-rdf-syntax-ns#");
    const QString dc = QStringLiteral("http://purl.org/dc/elements/1.1/");
    const QString xmpNs = QStringLiteral("http://ns.adobe.com/xap/1.0/");
    const QString tesmora = QStringLiteral("https://tesmora.org/ns/picture/1.0/");
    w.writeNamespace(QStringLiteral("adobe:ns:meta/"), QStringLiteral("x"));
    w.writeNamespace(rdf, QStringLiteral("rdf"));
    w.writeNamespace(dc, QStringLiteral("dc"));
    w.writeNamespace(xmpNs, QStringLiteral("xmp"));
    w.writeNamespace(tesmora, QStringLiteral("tesmora"));
    w.writeStartElement(QStringLiteral("adobe:ns:meta/"), QStringLiteral("xmpmeta"));
    w.writeStartElement(rdf, QStringLiteral("RDF"));
    w.writeStartElement(rdf, QStringLiteral("Description"));
    w.writeAttribute(rdf, QStringLiteral("about"), QString());
    auto alternative = [&](const QString& name, const QString& text) {
        w.writeStartElement(dc, name);
        w.writeStartElement(rdf, QStringLiteral("Alt"));
        w.writeStartElement(rdf, QStringLiteral("li"));
        w.writeAttribute(QStringLiteral("xml:lang"), QStringLiteral("x-default"));
        w.writeCharacters(XmlSafe(text));
        w.writeEndElement();
        w.writeEndElement();
        w.writeEndElement();
    };
    alternative(QStringLiteral("title"), notes.title);
    alternative(QStringLiteral("description"), NotesText(notes));
    w.writeTextElement(dc, QStringLiteral("format"), QStringLiteral("application/pdf"));
    w.writeTextElement(xmpNs, QStringLiteral("CreatorTool"), XmlSafe(notes.software));
    for (const auto& [keyword, text] : notes.entries) w.writeTextElement(tesmora, keyword, XmlSafe(text));
    w.writeEndDocument();
    buffer.write("\n<?xpacket end=\"w\"?>");
    return xmp;
}

// The legend's panel as DrawLegend draws it right of the picture: the bar of the map's colours
// in an outline, tick marks on its right, and the texts.
void PaintLegend(QPainter& painter, const LegendLayout& legend, RasterSize raster) {
    // The panel starts where the picture ends.
    const double pageLeft = raster.width, pageHeight = raster.height;
    const int barHeight = legend.barHeight;
    if (barHeight > 0 && legend.ramp.size() == static_cast<std::size_t>(barHeight)) {
        // The bar's pixels as they are, so that no reader has to stretch or smooth them.
        QImage bar(kLegendBarWidth, barHeight, QImage::Format_RGB888);
        for (int row = 0; row < barHeight; ++row) {
            const ColourEntry& colour = legend.ramp[static_cast<std::size_t>(barHeight - 1 - row)];
            uchar* pixels = bar.scanLine(row);
            for (int x = 0; x < kLegendBarWidth; ++x) std::memcpy(pixels + 3 * x, colour.data(), 3);
        }
        painter.drawImage(QRectF(pageLeft + kLegendBarLeft, pageHeight - legend.barBottom - barHeight,
                                 kLegendBarWidth, barHeight),
                          bar);
    }

    // The outline and the marks on the very pixels the PNG's lines light: OpenGL puts a line at
    // a whole coordinate into the pixels left of or below it, and one between two rows into the
    // row it crosses.
    const auto across = [](double v) { return std::ceil(v) - 0.5; };
    const double left = pageLeft + across(kLegendBarLeft);
    const double right = pageLeft + across(kLegendBarLeft + kLegendBarWidth);
    const double top = pageHeight - across(legend.barBottom + barHeight);
    const double bottom = pageHeight - across(legend.barBottom);
    QPen pen(QColor::fromRgbF(0.6f, 0.6f, 0.6f));
    pen.setWidthF(1.0);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setBrush(Qt::NoBrush);
    if (barHeight > 0) {
        painter.setPen(pen);
        painter.drawRect(QRectF(QPointF(left, top), QPointF(right, bottom)));
    }
    pen.setColor(Qt::white);
    painter.setPen(pen);
    // Along a mark its pixels start at its start and end before its end.
    const double markStart = pageLeft + kLegendBarLeft + kLegendBarWidth;
    for (const LegendMark& m : legend.marks) {
        const double y = pageHeight - across(m.y);
        painter.drawLine(QPointF(markStart, y), QPointF(markStart + kLegendTickLength, y));
    }

    PaintLegendTexts(painter, legend.texts, QPointF(pageLeft, 0.0), raster.height);
}

}  // namespace

void PaintVectorPicture(QPainter& painter, const VectorPicture& picture) {
    const double width = picture.raster.width, pageHeight = picture.raster.height;
    const FigureMargins margins = Margins(picture);
    const bool dressed = !picture.figure.IsEmpty();
    const double pageWidth = PageWidth(picture), wholeHeight = dressed ? PageHeight(picture) : pageHeight;
    if (picture.bare) {
        // Black around the picture's own area, where the legend's and the axes' white stand.
        const double right = margins.left + width;
        const auto black = [&painter](double x, double y, double w, double h) {
            if (w > 0.0 && h > 0.0) painter.fillRect(QRectF(x, y, w, h), Qt::black);
        };
        black(0.0, 0.0, margins.left, wholeHeight);
        black(right, 0.0, pageWidth - right, wholeHeight);
        black(margins.left, 0.0, width, margins.top);
        black(margins.left, margins.top + pageHeight, width, margins.bottom);
    } else {
        painter.fillRect(QRectF(0.0, 0.0, pageWidth, wholeHeight), Qt::black);
    }
    if (dressed) {
        painter.save();
        painter.translate(margins.left, margins.top);
    }
    if (!picture.background.isNull())
        painter.drawImage(QRectF(0.0, 0.0, width, pageHeight), picture.background);
    painter.save();
    painter.setTransform(QTransform(1.0, 0.0, 0.0, -1.0, 0.0, pageHeight), dressed);
    {
        LinePainter lines(painter, picture.raster, picture.lineWidth);
        for (const CapturedLine& line : picture.drawing.lines) lines.Line(line);
    }
    painter.restore();
    if (picture.legend) PaintLegend(painter, *picture.legend, picture.raster);
    if (dressed) {
        painter.restore();
        PaintFigure(painter, picture.figure, QPointF(margins.left, margins.top), false);
    }
}

QByteArray SvgBytes(const VectorPicture& picture, const PictureNotes& notes) {
    QByteArray svg;
    QBuffer buffer(&svg);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(QSize(PageWidth(picture), PageHeight(picture)));
    generator.setViewBox(QRectF(0.0, 0.0, PageWidth(picture), PageHeight(picture)));
    // One unit a CSS pixel, so that a viewer shows the picture at its raster's size.
    generator.setResolution(96);
    // The generator writes both texts as they are; they must arrive as XML.
    generator.setTitle(XmlSafe(notes.title).toHtmlEscaped());
    generator.setDescription(XmlSafe(NotesText(notes)).toHtmlEscaped());
    QPainter painter(&generator);
    PaintVectorPicture(painter, picture);
    painter.end();
    return svg;
}

QByteArray PdfBytes(const VectorPicture& picture, const PictureNotes& notes) {
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QSizeF(PageWidth(picture), PageHeight(picture)), QPageSize::Point,
                                     QString(), QPageSize::ExactMatch));
        writer.setPageMargins(QMarginsF(0.0, 0.0, 0.0, 0.0));
        writer.setResolution(72);
        writer.setTitle(notes.title);
        writer.setCreator(notes.software);
        writer.setDocumentXmpMetadata(Xmp(notes));
        QPainter painter(&writer);
        // Qt would otherwise embed the background as a JPEG.
        painter.setRenderHint(QPainter::LosslessImageRendering);
        PaintVectorPicture(painter, picture);
        painter.end();
    }
    return pdf;
}
