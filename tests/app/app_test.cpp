// The application's commands that reach beyond the window: the command line and saving.

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "app/frame_bar.h"
#include "app/main_frame.h"
#include "common/native_names.h"
#include "formats/format_reader.h"
#include "formats/gri_writer.h"
#include "scene/scene_settings.h"
#include "tests/app/app_harness.h"

using apptest::AppHarness;

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

int Differences(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return -1;
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += (a.pixel(x, y) & 0xffffff) != (b.pixel(x, y) & 0xffffff) ? 1 : 0;
    return n;
}

}  // namespace

TEST(CommandLine, OpensTheNamedGeometryFile) {
    testsupport::TempDir dir;
    const std::string path = testsupport::WriteDataSet(dir, "wing", apptest::ShearFlow());
    AppHarness h({"tesmora", Q(path)});
    ASSERT_TRUE(h.Started());
    EXPECT_TRUE(h.Scene().HasDataSet());
    EXPECT_GT(h.Scene().GetStreamlineCount(), 0u);
    EXPECT_EQ(h.Frame().windowTitle(), "wing.gri - Tesmora");
    EXPECT_EQ(h.App().Document().GetDataSetPath(), QFileInfo(Q(path)).absoluteFilePath());
    // The picture is there: off the streamlines every sampled pixel is the image's.
    const QImage frame = h.Paint();
    const std::vector<bool> mask = apptest::StreamlineMask(h.Scene());
    int compared = 0;
    for (int y = 0; y < 560; y += 10)
        for (int x = 0; x < 350; x += 10) {
            if (mask[static_cast<std::size_t>(y * 350 + x)]) continue;
            ++compared;
            EXPECT_EQ(apptest::WindowPixel(frame, 350 + x, 70 + y), apptest::ImagePixel(h.Scene(), x, y));
        }
    EXPECT_GT(compared, 300);
}

TEST(CommandLine, ABadFileIsReportedAndTheViewerRunsOn) {
    testsupport::TempDir dir;
    const std::string bad = dir.File("bad.gri");
    testsupport::WriteBytes(bad, std::string(40, 'x'));
    apptest::ModalCatcher catcher;
    AppHarness h({"tesmora", Q(bad)});
    ASSERT_TRUE(h.Started());
    ASSERT_EQ(catcher.SeenSoFar().size(), 1u);
    EXPECT_TRUE(
        catcher.SeenSoFar()[0].text.startsWith("Wrong File Format!\nDie Datei \u201E" + Q(bad) + "\u201C"))
        << catcher.SeenSoFar()[0].text.toStdString();
    EXPECT_EQ(catcher.SeenSoFar()[0].title, "LOADING ERROR");
    EXPECT_FALSE(h.Scene().HasDataSet());
    EXPECT_TRUE(h.Frame().isVisible());
    EXPECT_EQ(h.Frame().windowTitle(), "Unbenannt - Tesmora");
}

TEST(CommandLine, OpensAFileAnotherProgramWroteAndTellsInGermanWhatIsWrongWithOne) {
    const QString vec = QStringLiteral(TESMORA_REALDATA "/sources/soapfilm_Run000001.vec");
    {
        AppHarness h({"tesmora", vec});
        ASSERT_TRUE(h.Started());
        EXPECT_TRUE(h.Scene().HasDataSet());
        EXPECT_EQ(h.Scene().m_ni, 63);
        EXPECT_EQ(h.Scene().Notes().invalidNodes, 353);
        EXPECT_EQ(h.Frame().windowTitle(), "soapfilm_Run000001.vec - Tesmora");
    }
    testsupport::TempDir dir;
    const std::string holes = dir.File("holes.csv");
    testsupport::WriteBytes(holes, "x,y,u,v\n0,0,1,1\n1,0,1,1\n0,1,1,1\n");
    apptest::ModalCatcher catcher;
    AppHarness h({"tesmora", Q(holes)});
    ASSERT_TRUE(h.Started());
    ASSERT_EQ(catcher.SeenSoFar().size(), 1u);
    EXPECT_EQ(catcher.SeenSoFar()[0].title, "LOADING ERROR");
    EXPECT_EQ(catcher.SeenSoFar()[0].text,
              QString::fromStdString("\u201E" + holes +
                                     "\u201C: Die Punkte bilden ein Gitter von 2 × 2 Knoten mit Löchern: "
                                     "1 Knoten fehlt, bei (1, 1)."));
    EXPECT_FALSE(h.Scene().HasDataSet());
}

TEST(CommandLine, SeveralFilesAreASeriesInTheirNumbersOrderAndAnUnknownOptionEndsAtOnce) {
    {
        testsupport::TempDir dir;
        const DataSetArrays slow = apptest::ShearFlow();
        DataSetArrays fast = apptest::ShearFlow();
        for (std::int64_t n = 0; n < fast.NodeCount(); ++n) fast.u[static_cast<std::size_t>(n)] *= 2.0f;
        const std::string ninth = testsupport::WriteDataSet(dir, "f_9", slow);
        const std::string tenth = testsupport::WriteDataSet(dir, "f_10", fast);
        AppHarness h({"tesmora", Q(tenth), Q(ninth)});
        ASSERT_TRUE(h.Started());
        EXPECT_EQ(h.App().FrameCount(), 2u);
        const FlowScene& scene = h.Scene();
        EXPECT_TRUE(std::equal(scene.m_pU.get(), scene.m_pU.get() + scene.NodeCount(), slow.u.get()));
        ASSERT_TRUE(h.App().ShowFrame(1));
        EXPECT_TRUE(std::equal(scene.m_pU.get(), scene.m_pU.get() + scene.NodeCount(), fast.u.get()));
        ASSERT_NE(h.App().MainFrame(), nullptr);
        EXPECT_EQ(h.App().MainFrame()->FrameStatus(), QStringLiteral("Bild 2 von 2"));
        EXPECT_EQ(FrameStatusText(2, 11, 0.25), QStringLiteral("Bild 3 von 11, t = 0,25"));
    }
    {
        AppHarness h({"tesmora", "--no-such-option"});
        EXPECT_FALSE(h.Started());
        EXPECT_EQ(h.App().ExitCode(), 2);
    }
}

namespace {

// The fields, the image and the lines of SHOWN are those of ALONE.
void ExpectSameFrame(const FlowScene& shown, const FlowScene& alone) {
    const auto n = static_cast<std::size_t>(shown.NodeCount());
    ASSERT_EQ(n, static_cast<std::size_t>(alone.NodeCount()));
    for (const auto field : {&FlowScene::m_pU, &FlowScene::m_pV, &FlowScene::m_pP, &FlowScene::m_pW})
        EXPECT_TRUE(std::equal((shown.*field).get(), (shown.*field).get() + n, (alone.*field).get()));
    const std::size_t bytes = 3 * shown.Raster().Pixels();
    ASSERT_EQ(shown.Raster(), alone.Raster());
    EXPECT_TRUE(std::equal(shown.m_pImage.get(), shown.m_pImage.get() + bytes, alone.m_pImage.get()));
    ASSERT_EQ(shown.GetStreamlineCount(), alone.GetStreamlineCount());
    for (std::size_t i = 0; i < shown.GetStreamlineCount(); ++i) {
        const Streamline& a = shown.StreamlineAt(i);
        const Streamline& b = alone.StreamlineAt(i);
        EXPECT_TRUE(std::equal(a.Data(), a.Data() + a.GetCount(), b.Data(), b.Data() + b.GetCount())) << i;
    }
}

}  // namespace

// While a frame is shown the next one is read on another thread. Every frame shown from that
// read is the frame a read where it is shown gives: fields, picture and lines, forward and,
// once a step went back, backward; the first step back finds the other frame read and reads
// its own.
TEST(ReadAhead, EachFrameReadAheadIsTheFrameReadWhereItIsShown) {
    testsupport::TempDir dir;
    QStringList arguments{QStringLiteral("tesmora")};
    std::vector<Frame> frames;
    for (int k = 0; k < 4; ++k) {
        std::string text = "x,y,u,v,p\n";
        for (int j = 0; j < 9; ++j)
            for (int i = 0; i < 12; ++i) {
                const double x = 0.5 * i, y = 0.5 * j;
                for (const double value : {x, y, 1.0 + 0.3 * k * std::sin(y), std::cos(x + k), x * k - y})
                    text += std::to_string(value) + ",";
                text.back() = '\n';
            }
        const std::string path = dir.File("f_" + std::to_string(k) + ".csv");
        testsupport::WriteBytes(path, text);
        arguments << Q(path);
        frames.emplace_back(path);
    }
    AppHarness h(arguments);
    ASSERT_TRUE(h.Started());
    ASSERT_EQ(h.App().FrameCount(), 4u);
    h.Scene().SetFixedSeed(3);
    testsupport::SceneFixture alone;
    formats::FormatReader reader;
    alone.scene.SetDataSetReader(&reader);
    ApplyDrawSettings(alone.scene, CurrentDrawSettings(h.Scene()));
    alone.scene.SetFixedSeed(3);
    alone.scene.OpenDataSet(frames[0].path);
    ASSERT_TRUE(alone.scene.MeasureSequenceRanges(frames));
    CFrameBar* bar = h.Frame().FrameBar();
    struct Step {
        QAction* action;
        int frame;
        bool readAhead;
    };
    for (const Step& step : {Step{bar->NextAction(), 1, true}, Step{bar->NextAction(), 2, true},
                             Step{bar->NextAction(), 3, true}, Step{bar->NextAction(), 0, true},
                             Step{bar->PreviousAction(), 3, false}, Step{bar->PreviousAction(), 2, true},
                             Step{bar->PreviousAction(), 1, true}}) {
        SCOPED_TRACE(step.frame);
        const std::size_t before = h.App().FramesShownFromReadAhead();
        step.action->trigger();
        ASSERT_EQ(bar->Frame(), step.frame);
        EXPECT_EQ(h.App().FramesShownFromReadAhead(), before + (step.readAhead ? 1 : 0));
        ASSERT_TRUE(alone.scene.ShowFrame(frames[static_cast<std::size_t>(step.frame)]));
        ExpectSameFrame(h.Scene(), alone.scene);
    }
    EXPECT_TRUE(alone.reporter.entries.empty());
}

// A frame whose read ahead fails is read again where it is shown and its failure reported then,
// once, as it always was; the frame after it is read ahead again.
TEST(ReadAhead, AFrameThatFailsAheadIsReadAgainAndReported) {
    testsupport::TempDir dir;
    std::vector<DataSetArrays> fields;
    for (int k = 0; k < 3; ++k) {
        fields.push_back(apptest::ShearFlow());
        for (std::int64_t n = 0; n < fields[0].NodeCount(); ++n)
            fields.back().v[static_cast<std::size_t>(n)] += static_cast<float>(k);
        std::string error;
        ASSERT_TRUE(k == 0 ? formats::WriteGriPair(dir.File("seq.gri"), fields.back(), &error)
                           : formats::WriteGriSolution(dir.File("seq.0000" + std::to_string(k) + ".dat"),
                                                       fields.back(), &error))
            << error;
    }
    testsupport::WriteBytes(dir.File("seq.00001.dat"), std::string(40, 'x'));
    testsupport::SceneFixture alone;
    alone.scene.OpenDataSet(dir.File("seq.gri"));
    ASSERT_FALSE(alone.scene.ShowFrame(Frame(dir.File("seq.gri"), dir.File("seq.00001.dat"))));
    ASSERT_EQ(alone.reporter.entries.size(), 1u);

    apptest::ModalCatcher catcher;
    AppHarness h({QStringLiteral("tesmora"), Q(dir.File("seq.gri"))});
    ASSERT_TRUE(h.Started());
    ASSERT_EQ(h.App().FrameCount(), 3u);
    // Measuring the sequence's colour range has told of the frame already, and only that did.
    AppHarness::Settle();
    ASSERT_EQ(catcher.SeenSoFar().size(), 1u);
    CFrameBar* bar = h.Frame().FrameBar();
    const auto shows = [&](std::size_t k) {
        return std::equal(h.Scene().m_pV.get(), h.Scene().m_pV.get() + h.Scene().NodeCount(),
                          fields[k].v.get());
    };
    bar->NextAction()->trigger();
    AppHarness::Settle();
    ASSERT_EQ(catcher.SeenSoFar().size(), 2u);
    EXPECT_EQ(catcher.SeenSoFar()[1].text, Q(alone.reporter.entries[0].text));
    EXPECT_EQ(catcher.SeenSoFar()[1].title, Q(alone.reporter.entries[0].caption));
    EXPECT_EQ(h.App().FramesShownFromReadAhead(), 0u);
    EXPECT_TRUE(shows(0));
    bar->NextAction()->trigger();
    EXPECT_EQ(h.App().FramesShownFromReadAhead(), 1u);
    EXPECT_TRUE(shows(2));
    EXPECT_EQ(catcher.SeenSoFar().size(), 2u);
}

class Save : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::string sample = testsupport::WriteDataSet(dir, "wing", apptest::ShearFlow());
};

TEST_F(Save, WritesThePictureAsPng) {
    AppHarness h;
    ASSERT_TRUE(h.App().OpenPath(Q(sample)));
    const QString out = Q(dir.File("picture.png"));
    ASSERT_TRUE(h.App().SavePicture(out));
    QImage saved;
    ASSERT_TRUE(saved.load(out, "PNG"));
    // The viewer shows the legend, and the picture is saved with it.
    ASSERT_EQ(saved.size(), QSize(350 + kLegendWidth, 560));
    int lit = 0;
    for (int y = 0; y < 560; ++y)
        for (int x = 350; x < saved.width(); ++x) lit += (saved.pixel(x, y) & 0xffffff) != 0 ? 1 : 0;
    EXPECT_GT(lit, 1000) << "no legend right of the picture";
    // Row 0 of the file is the top of the picture, raster row 559.
    const std::vector<bool> mask = apptest::StreamlineMask(h.Scene());
    int compared = 0;
    for (int y = 0; y < 560; y += 9)
        for (int x = 0; x < 350; x += 7) {
            if (mask[static_cast<std::size_t>(y * 350 + x)]) continue;
            ++compared;
            EXPECT_EQ(picturekit::ToRgb(saved.pixel(x, 559 - y)), apptest::ImagePixel(h.Scene(), x, y))
                << x << ", " << y;
        }
    EXPECT_GT(compared, 1000);
    EXPECT_EQ(Differences(saved, h.View().GrabPicture()), 0);
}

TEST_F(Save, FirstSaveAsksThenSaveWritesThereAgain) {
    AppHarness h;
    ASSERT_TRUE(h.App().OpenPath(Q(sample)));
    const QString out = Q(dir.File("chosen"));
    apptest::ModalCatcher catcher;
    catcher.SetDialogHandler([&out](QWidget* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(files, nullptr);
        EXPECT_EQ(files->acceptMode(), QFileDialog::AcceptSave);
        files->selectFile(out);
        QMetaObject::invokeMethod(files, "accept");
    });
    h.App().OnFileSave();
    ASSERT_EQ(catcher.SeenSoFar().size(), 1u);
    // The dialog adds the extension.
    const QString written = out + ".png";
    EXPECT_EQ(h.App().Document().GetPicturePath(), written);
    QImage first;
    ASSERT_TRUE(first.load(written, "PNG"));

    // Draw in hedgehog mode, then Save: no dialog, the same file now holds the arrows.
    h.Scene().m_bHedgehog = true;
    h.Paint();
    h.App().OnFileSave();
    EXPECT_EQ(catcher.SeenSoFar().size(), 1u);
    QImage second;
    ASSERT_TRUE(second.load(written, "PNG"));
    EXPECT_GT(Differences(first, second), 1000);
    EXPECT_EQ(Differences(second, h.View().GrabPicture()), 0);
}

TEST_F(Save, AFailedSaveIsReportedAndWritesNothing) {
    AppHarness h;
    ASSERT_TRUE(h.App().OpenPath(Q(sample)));
    apptest::ModalCatcher catcher;
    EXPECT_FALSE(h.App().SavePicture(Q(dir.File("no/such/folder/picture.png"))));
    ASSERT_EQ(catcher.SeenSoFar().size(), 1u);
    EXPECT_EQ(catcher.SeenSoFar()[0].icon, static_cast<int>(QMessageBox::Critical));
    EXPECT_TRUE(catcher.SeenSoFar()[0].text.contains("no/such/folder/picture.png"));
    EXPECT_FALSE(QFileInfo::exists(Q(dir.File("no/such/folder/picture.png"))));
}

// The picture never takes the place of the data set it shows: not of the geometry file, not of
// its solution file, by any name.
TEST_F(Save, NeverOverTheDataSetItShows) {
    AppHarness h;
    ASSERT_TRUE(h.App().OpenPath(Q(sample)));
    const std::string solution = FlowScene::SolutionPathFor(sample);
    const std::string before = testsupport::ReadBytes(solution);
    std::filesystem::create_symlink(solution, dir.File("link.png"));
    apptest::ModalCatcher catcher;
    for (const std::string& target : {sample, solution, dir.File("link.png")})
        EXPECT_FALSE(h.App().SavePicture(Q(target))) << target;
    ASSERT_EQ(catcher.SeenSoFar().size(), 3u);
    EXPECT_TRUE(catcher.SeenSoFar()[1].text.contains(QString::fromStdString("ersetzen")))
        << catcher.SeenSoFar()[1].text.toStdString();
    EXPECT_EQ(testsupport::ReadBytes(solution), before);
    EXPECT_TRUE(h.App().SavePicture(Q(dir.File("picture.png"))));
}

// The vector files show the very streamlines of the scene, and every file says how it was made.
TEST_F(Save, SvgAndPdfBesidePngByTheirExtensionUnderANameThatIsNotUtf8) {
    const std::string latin1 = testsupport::WriteDataSet(dir, "Str\xf6mung", apptest::ShearFlow());
    AppHarness h;
    ASSERT_TRUE(h.App().OpenPath(common::FromNative(latin1)));
    ASSERT_GT(h.Scene().GetStreamlineCount(), 5u);
    const std::string stem = dir.File("Bild\xe4");
    ASSERT_TRUE(h.App().SavePicture(common::FromNative(stem + ".svg")));
    ASSERT_TRUE(h.App().SavePicture(common::FromNative(stem + ".pdf")));
    ASSERT_TRUE(h.App().SavePicture(common::FromNative(stem + ".png")));
    const std::string svg = testsupport::ReadBytes(stem + ".svg");
    std::vector<std::string> paths;
    for (std::size_t at = svg.find(" d=\""); at != std::string::npos; at = svg.find(" d=\"", at + 1))
        paths.push_back(svg.substr(at + 4, svg.find('"', at + 4) - at - 4));
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < h.Scene().GetStreamlineCount(); ++i) {
        const Streamline& s = h.Scene().StreamlineAt(i);
        if (s.GetCount() < 2) continue;
        std::string d;
        // Through the centres of its points' pixels.
        for (std::size_t p = 0; p < s.GetCount(); ++p)
            d += (p ? " L" : "M") + std::to_string(s.GetPoint(p).x) + ".5," +
                 std::to_string(s.GetPoint(p).y) + ".5";
        expected.push_back(d);
    }
    // The background's outline comes first in some generators; the streamlines follow in the
    // scene's order, each a path of its very points.
    auto from = paths.begin();
    for (const std::string& d : expected) {
        const auto at = std::find(from, paths.end(), d);
        ASSERT_NE(at, paths.end()) << d;
        from = at + 1;
    }
    EXPECT_GT(expected.size(), 5u);
    EXPECT_NE(svg.find(">Geschwindigkeit</text>"), std::string::npos) << "the legend the view shows";
    EXPECT_NE(svg.find("seed: " + std::to_string(h.Scene().LastSeed())), std::string::npos);
    EXPECT_NE(svg.find("Str\\xf6mung"), std::string::npos) << "the input's odd byte, written out";
    EXPECT_EQ(testsupport::ReadBytes(stem + ".pdf").rfind("%PDF-", 0), 0u);
    const QImage png = QImage::fromData(QByteArray::fromStdString(testsupport::ReadBytes(stem + ".png")));
    EXPECT_EQ(png.text("seed"), QString::number(h.Scene().LastSeed()));
    EXPECT_EQ(png.text("dsep"), QString::number(h.Scene().m_nDSep));
}

// A picture's command draws it again only with the click it shows, in every format.
TEST_F(Save, EveryFormatRecordsTheClickItShows) {
    AppHarness h;
    ASSERT_TRUE(h.App().OpenPath(Q(sample)));
    h.ClickAtDevice(350 + 120, 70 + 300);
    AppHarness::Settle();
    const std::vector<PixelPoint> shown = h.View().ShownClicks();
    ASSERT_EQ(shown.size(), 1u);
    const std::string click = " --click " + std::to_string(shown[0].x) + "," + std::to_string(shown[0].y);
    const auto command = [&](const std::string& name) {
        EXPECT_TRUE(h.App().SavePicture(Q(dir.File(name))));
        QImage png;
        if (name.ends_with(".png") && png.load(Q(dir.File(name)), "PNG"))
            return png.text("command").toStdString();
        return testsupport::ReadBytes(dir.File(name));
    };
    EXPECT_NE(command("with.png").find(click), std::string::npos);
    EXPECT_NE(command("with.svg").find(click), std::string::npos);
    // Once the next paint has taken the click off the screen, no picture records it.
    h.Paint();
    EXPECT_TRUE(h.View().ShownClicks().empty());
    EXPECT_EQ(command("without.png").find("--click"), std::string::npos);
}

TEST_F(Save, WithoutDataTheSavedPictureIsBlack) {
    AppHarness h;
    const QString out = Q(dir.File("black.png"));
    ASSERT_TRUE(h.App().SavePicture(out));
    QImage saved;
    ASSERT_TRUE(saved.load(out, "PNG"));
    ASSERT_EQ(saved.size(), QSize(350, 560));
    for (int y = 0; y < 560; y += 10)
        for (int x = 0; x < 350; x += 10) EXPECT_EQ(saved.pixel(x, y) & 0xffffff, 0u);
}

// Without any OpenGL the viewer says so and runs on: files open, Draw and Save work on the
// scene, the window shows black where the picture is. Xvfb with Mesa always offers OpenGL, so
// this runs only as the test noGL.NoOpenGL, where QT_XCB_GL_INTEGRATION=none takes it away.
TEST(NoOpenGL, TheViewerSaysSoAndRunsWithoutAPicture) {
    ASSERT_FALSE(CTesmoraView::OpenGLAvailable())
        << "this display offers OpenGL: run with QT_XCB_GL_INTEGRATION=none";
    testsupport::TempDir dir;
    const std::string path = testsupport::WriteDataSet(dir, "wing", apptest::ShearFlow());
    apptest::ModalCatcher catcher;
    AppHarness h({"tesmora", Q(path)});
    ASSERT_TRUE(h.Started());
    AppHarness::Settle();
    ASSERT_FALSE(catcher.SeenSoFar().empty());
    EXPECT_EQ(catcher.SeenSoFar().front().text, "Error Creating RC");
    EXPECT_EQ(h.Frame().centralWidget()->objectName(), "noPicture");
    EXPECT_TRUE(h.Scene().HasDataSet());
    h.Bar().DrawButton()->click();
    EXPECT_GT(h.Scene().GetStreamlineCount(), 0u);
    const QString png = Q(dir.File("saved.png"));
    ASSERT_TRUE(h.App().SavePicture(png));
    const QImage saved(png);
    EXPECT_EQ(saved.size(), QSize(350, 560));
    EXPECT_EQ(picturekit::PictureOf(saved).CountAll(picturekit::IsBlack), 350 * 560);
}
