// The picture files as other programs read them: a PNG's text chunks, an SVG's paths and
// texts, a PDF's metadata and fonts, and the background pixel for pixel in each.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QXmlStreamReader>
#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <set>

#include "lettering/legend_text_painter.h"
#include "output/figure_painter.h"
#include "output/png_file.h"
#include "output/vector_file.h"
#include "render/scene_drawing.h"

namespace {

QImage RandomImage() {
    std::mt19937 random(5);
    QImage image(350, 560, QImage::Format_RGB888);
    for (int y = 0; y < 560; ++y)
        for (int x = 0; x < 350; ++x)
            image.setPixelColor(
                x, y, QColor(static_cast<int>(random() % 200), static_cast<int>(random() % 200), 40));
    return image;
}

PictureNotes Notes() {
    PictureNotes notes;
    notes.title = QStringLiteral("a<b&c>.gri");
    notes.software = QStringLiteral("tesmora-render 0.1.0");
    notes.entries = {{QStringLiteral("input"), QString::fromUtf8("daten/Str\xc3\xb6mung \xe2\x82\xac.gri")},
                     {QStringLiteral("dsep"), QStringLiteral("12")},
                     {QStringLiteral("command"), QStringLiteral("tesmora-render flow.gri --dsep 12 --seed 4 "
                                                                "--click 10,20 --click 30,40")}};
    return notes;
}

// The chunk types of a PNG, in order.
QStringList ChunkTypes(const QByteArray& png) {
    QStringList types;
    for (qsizetype at = 8; at + 8 <= png.size();) {
        const auto b = [&](qsizetype i) {
            return static_cast<quint32>(static_cast<unsigned char>(png[at + i]));
        };
        const quint32 length = (b(0) << 24) | (b(1) << 16) | (b(2) << 8) | b(3);
        types << QString::fromLatin1(png.mid(at + 4, 4));
        at += 12 + static_cast<qsizetype>(length);
    }
    return types;
}

TEST(PngFile, NotesArePlainTextChunksBeforeTheImageAndThePixelsAreKept) {
    const QImage image = RandomImage();
    const QByteArray png = PngBytes(image, Notes());
    const QStringList types = ChunkTypes(png);
    EXPECT_FALSE(types.contains("zTXt")) << "no note is compressed";
    EXPECT_EQ(types.count("tEXt"), 4) << "Title, Software, dsep and the command: Latin-1";
    EXPECT_EQ(types.count("iTXt"), 1) << "the input's name holds a euro sign";
    EXPECT_LT(types.lastIndexOf("tEXt"), types.indexOf("IDAT"));

    // Qt's reader checks every chunk's CRC and drops the ones that are wrong.
    const QImage read = QImage::fromData(png, "PNG");
    ASSERT_FALSE(read.isNull());
    EXPECT_EQ(read.convertToFormat(QImage::Format_RGB888), image);
    const PictureNotes notes = Notes();
    EXPECT_EQ(read.text("Title"), notes.title);
    EXPECT_EQ(read.text("Software"), notes.software);
    for (const auto& [keyword, text] : notes.entries)
        EXPECT_EQ(read.text(keyword), text) << keyword.toStdString();
}

// Two streamlines, one arrow, and a line wholly outside the picture, in window coordinates.
VectorPicture Picture() {
    VectorPicture v;
    v.background = RandomImage();
    const CapturedColour white{1, 1, 1}, red{1, 0, 0};
    auto line = [&](float x0, float y0, float x1, float y1, CapturedColour c0, CapturedColour c1) {
        // Where the drawing puts a raster pixel's point in the window.
        const auto wx = [](float x) { return x + 350 + kLineVertexX; };
        const auto wy = [](float y) { return y + 70 + kLineVertexY; };
        v.drawing.lines.push_back({wx(x0), wy(y0), wx(x1), wy(y1), c0, c1});
    };
    line(10, 10, 12, 11, white, white);
    line(12, 11, 15, 11, white, white);
    line(100, 500, 101, 502, white, white);
    line(200, 300, 208, 294, red, white);
    line(400, 10, 420, 10, white, white);
    return v;
}

TEST(SvgFile, StreamlinesArePathsInRasterPixelsUnderOneFlipAndTheTextsAreXml) {
    const QByteArray svg = SvgBytes(Picture(), Notes());
    QXmlStreamReader xml(svg);
    QStringList stroked, transforms;
    int gradients = 0;
    QString title, desc, currentStroke, currentTransform;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        if (xml.name() == QLatin1String("g")) {
            currentStroke = xml.attributes().value("stroke").toString();
            currentTransform = xml.attributes().value("transform").toString();
        } else if (xml.name() == QLatin1String("path") && currentStroke == "#ffffff") {
            stroked << xml.attributes().value("d").toString();
            transforms << currentTransform;
        } else if (xml.name() == QLatin1String("linearGradient")) {
            ++gradients;
        } else if (xml.name() == QLatin1String("title")) {
            title = xml.readElementText();
        } else if (xml.name() == QLatin1String("desc")) {
            desc = xml.readElementText();
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    // Through the pixels' centres, y up from the picture's bottom edge.
    EXPECT_EQ(stroked, (QStringList{"M10.5,10.5 L12.5,11.5 L15.5,11.5", "M100.5,500.5 L101.5,502.5"}));
    EXPECT_EQ(transforms, QStringList(2, "matrix(1,0,0,-1,0,560)"));
    VectorPicture wide = Picture();
    wide.lineWidth = 2.5f;
    EXPECT_TRUE(SvgBytes(wide, Notes()).contains("stroke-width=\"2.5\""));
    EXPECT_EQ(gradients, 1) << "the arrow's fill";
    EXPECT_EQ(title, Notes().title);
    EXPECT_TRUE(desc.contains(QString::fromUtf8("input: daten/Str\xc3\xb6mung \xe2\x82\xac.gri")))
        << desc.toStdString();

    // Drawn by Qt's own SVG renderer at the raster's size, the background is the image itself
    // wherever no line passes.
    QSvgRenderer renderer(svg);
    ASSERT_TRUE(renderer.isValid());
    EXPECT_EQ(renderer.viewBoxF(), QRectF(0, 0, 350, 560));
    QImage drawn(350, 560, QImage::Format_RGB888);
    drawn.fill(Qt::magenta);
    QPainter painter(&drawn);
    renderer.render(&painter, QRectF(0, 0, 350, 560));
    painter.end();
    const QImage image = RandomImage();
    int compared = 0;
    for (int y = 0; y < 560; ++y)
        for (int x = 0; x < 350; ++x) {
            const bool nearLines = (x < 20 && y > 540) || (x > 95 && x < 106 && y < 65) ||
                                   (x > 195 && x < 213 && y > 258 && y < 272);
            if (nearLines) continue;
            ++compared;
            ASSERT_EQ(drawn.pixelColor(x, y), image.pixelColor(x, y)) << x << ", " << y;
        }
    EXPECT_GT(compared, 190000);
}

TEST(PdfFile, OnePageWithTheNotesInItsXmpAndTheImageWithoutLoss) {
    const QByteArray pdf = PdfBytes(Picture(), Notes());
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    EXPECT_FALSE(pdf.contains("/DCTDecode")) << "no JPEG";
    EXPECT_TRUE(pdf.contains("/MediaBox [0 0 350.000000 560.000000]"));
    EXPECT_TRUE(pdf.contains("<tesmora:dsep>12</tesmora:dsep>"));
    EXPECT_TRUE(pdf.contains("<xmp:CreatorTool>tesmora-render 0.1.0</xmp:CreatorTool>"));
    EXPECT_TRUE(pdf.contains("a&lt;b&amp;c&gt;.gri")) << "the title, escaped in the XMP";
}

// The legend's letters need Qt Gui's fonts. Its scale gives a factor under the title, minus
// signs and an umlaut: every kind of text a legend has.
class LegendFile : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "output_tests";
        static char* argv[] = {name, nullptr};
        if (!QGuiApplication::instance()) s_app = std::make_unique<QGuiApplication>(argc, argv);
    }
    static void TearDownTestSuite() { s_app.reset(); }
    static inline std::unique_ptr<QGuiApplication> s_app;

    void SetUp() override {
        picture.legend = LayOutLegend({true, kBackgroundVorticity, kColourMapCoolwarm, -0.0042, 0.0042});
    }
    VectorPicture picture = Picture();
    const LegendLayout& layout = *picture.legend;
};

// Right of the picture the layout's texts are text elements at their anchors, as the PNG sets
// them; the bar and the marks cover the PNG's pixels, and the picture's paths stay its own.
TEST_F(LegendFile, SvgLegendIsTextRightOfThePictureAsThePngSetsIt) {
    const QByteArray svg = SvgBytes(picture, Notes());
    EXPECT_TRUE(svg.contains("viewBox=\"0 0 480 560\""));
    const auto paths = [](const QByteArray& bytes) {
        QStringList d;
        for (auto m = QRegularExpression(" d=\"([^\"]*)\"").globalMatch(QString::fromUtf8(bytes));
             m.hasNext();)
            d << m.next().captured(1);
        return d;
    };
    EXPECT_EQ(paths(svg), paths(SvgBytes(Picture(), Notes())));

    QXmlStreamReader xml(svg);
    QTransform group;
    std::size_t n = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.name() == QLatin1String("g")) {
            const QStringList m = a.value("transform").toString().remove("matrix(").remove(')').split(',');
            group = m.size() == 6 ? QTransform(m[0].toDouble(), m[1].toDouble(), m[2].toDouble(),
                                               m[3].toDouble(), m[4].toDouble(), m[5].toDouble())
                                  : QTransform();
        }
        if (xml.name() != QLatin1String("text")) continue;
        ASSERT_LT(n, layout.texts.size());
        const LegendText& t = layout.texts[n++];
        const QPointF at = group.map(QPointF(a.value("x").toDouble(), a.value("y").toDouble()));
        EXPECT_EQ(a.value("font-size").toInt(), t.pixelSize);
        EXPECT_EQ(a.value("font-weight") == QLatin1String("700"), t.bold);
        EXPECT_EQ(xml.readElementText(), QString::fromStdString(t.utf8));
        EXPECT_NEAR(at.x(), kRasterWidth + t.x, 1e-3) << t.utf8;
        // On the baseline, or with the middle of its letters at the anchor: below it by less
        // than half their size.
        const double fromTop = kRasterHeight - t.y;
        const bool onBaseline = t.anchor == LegendText::Anchor::kBaseline;
        EXPECT_GE(at.y(), fromTop - 1e-3) << t.utf8;
        EXPECT_LT(at.y(), fromTop + (onBaseline ? 1e-3 : t.pixelSize / 2.0)) << t.utf8;
    }
    EXPECT_EQ(n, layout.texts.size());

    QImage drawn(480, 560, QImage::Format_RGB888);
    QPainter painter(&drawn);
    QSvgRenderer(svg).render(&painter, QRectF(0, 0, 480, 560));
    painter.end();
    const auto at = [&drawn](int x, int rowFromBottom) {
        return drawn.pixelColor(kRasterWidth + x, kRasterHeight - 1 - rowFromBottom);
    };
    // The outline's top edge covers the bar's top row, as in the PNG, whose lines on whole
    // coordinates light the pixels left of and below them.
    for (int row = 0; row + 1 < layout.barHeight; ++row) {
        const ColourEntry& c = layout.ramp[static_cast<std::size_t>(row)];
        ASSERT_EQ(at(kLegendBarLeft + 9, layout.barBottom + row), QColor(c[0], c[1], c[2])) << row;
    }
    EXPECT_EQ(at(kLegendBarLeft - 1, 300), QColor(153, 153, 153)) << "the outline";
    for (const LegendMark& m : layout.marks)
        EXPECT_EQ(at(kLegendBarLeft + kLegendBarWidth + 2, static_cast<int>(std::ceil(m.y)) - 1), Qt::white)
            << "the mark at " << m.y;
}

// Each font's characters as a reader extracts them, from the map its glyphs come with, are the
// characters of the texts set in it.
TEST_F(LegendFile, PdfLegendIsExtractableTextOnAWiderPage) {
    const QByteArray pdf = PdfBytes(picture, Notes());
    EXPECT_TRUE(pdf.contains("/MediaBox [0 0 480.000000 560.000000]"));
    std::map<QString, std::set<uint>> expected, mapped;
    for (const LegendText& t : layout.texts)
        for (const uint c : QString::fromStdString(t.utf8).toUcs4())
            if (!QChar::isSpace(c)) expected[t.bold ? "DejaVuSans-Bold" : "DejaVuSans"].insert(c);
    const QString text = QString::fromLatin1(pdf);
    const QRegularExpression font("/BaseFont /([\\w-]+)[^>]*/ToUnicode (\\d+) 0 R");
    for (auto f = font.globalMatch(text); f.hasNext();) {
        const QRegularExpressionMatch m = f.next();
        const qsizetype begin = text.indexOf("beginbfrange", text.indexOf("\n" + m.captured(2) + " 0 obj"));
        const QString ranges = text.mid(begin, text.indexOf("endbfrange", begin) - begin);
        // Qt maps the space's glyph to a tab; readers set spaces by where the letters stand.
        for (auto h = QRegularExpression("<(\\w{4})>").globalMatch(ranges.mid(ranges.indexOf('[')));
             h.hasNext();)
            if (const uint c = h.next().captured(1).toUInt(nullptr, 16); c > 0 && !QChar::isSpace(c))
                mapped[m.captured(1)].insert(c);
    }
    EXPECT_EQ(mapped, expected);
    EXPECT_FALSE(PdfBytes(Picture(), Notes()).contains("/ToUnicode")) << "no text without the legend";
}

// A figure's axes need the same fonts as the legend.
class FigureFile : public LegendFile {
protected:
    void SetUp() override {
        figure.axes = true;
        figure.width = kRasterWidth;
        figure.height = kRasterHeight;
        figure.x = AxisTicks({-2.5, 5.0 / 349.0}, kRasterWidth, true);
        figure.y = AxisTicks({-1234.5, 0.75}, kRasterHeight, false);
        figure.xTitle = "x";
        figure.yTitle = "y [m]";
        figure.title = "Flow past a cylinder";
    }
    FigureLayout figure;
};

// The PNG's picture stands pixel for pixel inside the margins, framed by the pixels around it,
// with a tick under every x value; the labels, measured in the font itself, stay within the
// widths the layout reckons with and so clear of each other.
TEST_F(FigureFile, ThePngKeepsThePictureInsideItsFrameAndTheLabelsKeepClear) {
    const QImage image = RandomImage();
    const QImage dressed = FigureImage(image, figure, false).convertToFormat(QImage::Format_RGB888);
    const FigureMargins m = MarginsOf(figure, false);
    EXPECT_GT(m.left, 0);
    EXPECT_GT(m.top, 0);
    EXPECT_GT(m.bottom, 0);
    ASSERT_EQ(dressed.size(), QSize(kRasterWidth + m.left + m.right, kRasterHeight + m.top + m.bottom));
    EXPECT_EQ(dressed.copy(m.left, m.top, kRasterWidth, kRasterHeight), image);
    for (int y = m.top - 1; y <= m.top + kRasterHeight; ++y) {
        ASSERT_EQ(dressed.pixelColor(m.left - 1, y), Qt::white) << y;
        ASSERT_EQ(dressed.pixelColor(m.left + kRasterWidth, y), Qt::white) << y;
    }
    ASSERT_GE(figure.x.size(), 3u);
    const QFontMetricsF metrics(LegendFont(kAxisLabelSize, false));
    for (std::size_t i = 0; i < figure.x.size(); ++i) {
        const AxisTick& t = figure.x[i];
        const int column = m.left + static_cast<int>(std::round(t.position - 0.5));
        EXPECT_EQ(dressed.pixelColor(column, m.top + kRasterHeight + 3), Qt::white) << t.label;
        EXPECT_LE(metrics.horizontalAdvance(QString::fromStdString(t.label)), LabelWidth(t.label)) << t.label;
    }
    for (const AxisTick& t : figure.y)
        EXPECT_LE(metrics.horizontalAdvance(QString::fromStdString(t.label)), LabelWidth(t.label)) << t.label;
    EXPECT_LE(metrics.ascent() + metrics.descent(), kLabelHeight);
}

// The vector pages grow by the very margins of the PNG, the picture's lines move with it, and
// labels and titles are text a reader can find.
TEST_F(FigureFile, SvgAndPdfGrowByThePngsMarginsWithTheTextsAsText) {
    VectorPicture v = Picture();
    v.figure = figure;
    const FigureMargins m = MarginsOf(figure, false);
    const int width = kRasterWidth + m.left + m.right, height = kRasterHeight + m.top + m.bottom;
    const QByteArray svg = SvgBytes(v, Notes());
    EXPECT_TRUE(svg.contains(QStringLiteral("viewBox=\"0 0 %1 %2\"").arg(width).arg(height).toUtf8()));
    EXPECT_TRUE(svg.contains(
        QStringLiteral("matrix(1,0,0,-1,%1,%2)").arg(m.left).arg(m.top + kRasterHeight).toUtf8()));
    QStringList texts;
    for (QXmlStreamReader xml(svg); !xml.atEnd();)
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("text"))
            texts << xml.readElementText();
    for (const auto* ticks : {&figure.x, &figure.y})
        for (const AxisTick& t : *ticks)
            EXPECT_TRUE(texts.contains(QString::fromStdString(t.label))) << t.label;
    for (const std::string& t : {figure.xTitle, figure.yTitle, figure.title})
        EXPECT_TRUE(texts.contains(QString::fromStdString(t))) << t;
    EXPECT_TRUE(
        PdfBytes(v, Notes())
            .contains(QStringLiteral("/MediaBox [0 0 %1.000000 %2.000000]").arg(width).arg(height).toUtf8()));
}

}  // namespace
