// The picture files as other programs read them: a PNG's text chunks, an SVG's paths and
// texts, a PDF's metadata, and the background pixel for pixel in each.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QXmlStreamReader>
#include <random>

#include "output/png_file.h"
#include "output/vector_file.h"

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
        v.drawing.lines.push_back({x0 + 350, y0 + 70, x1 + 350, y1 + 70, c0, c1});
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
    EXPECT_EQ(stroked, (QStringList{"M10,10 L12,11 L15,11", "M100,500 L101,502"}));
    EXPECT_EQ(transforms, QStringList(2, "matrix(1,0,0,-1,0.5,559.5)"));
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

}  // namespace
