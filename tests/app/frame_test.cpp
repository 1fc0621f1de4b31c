// The main window around the view: title, menus, keys, bars and the status bar.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <functional>
#include <initializer_list>
#include <utility>

#include "formats/format_reader.h"
#include "tests/app/app_harness.h"
#include "tools/flowgen/analytic_flows.h"

using apptest::AppHarness;

namespace {

QStringList MenuTexts(QMenu* menu) {
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

QAction* ActionNamed(AppHarness& h, const char* name) {
    return h.Frame().findChild<QAction*>(QLatin1String(name));
}

void MoveTo(AppHarness& h, int x, int yFromBottom) {
    const double ratio = h.Ratio();
    const QPointF logical((x + 0.5) / ratio,
                          (h.View().DeviceSize().height() - 1 - yFromBottom + 0.5) / ratio);
    QMouseEvent move(QEvent::MouseMove, logical, h.View().mapToGlobal(logical), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&h.View(), &move);
}

}  // namespace

// The window as it starts, one viewer for all these cases.
class FrameAtStart : public apptest::SharedViewer {};

TEST_F(FrameAtStart, MenusAreTheGermanOnes) {
    AppHarness& h = Viewer();
    const QList<QAction*> top = h.Frame().menuBar()->actions();
    ASSERT_EQ(top.size(), 4);
    EXPECT_EQ(top[0]->text(), "&Datei");
    EXPECT_EQ(top[1]->text(), "&Bearbeiten");
    EXPECT_EQ(top[2]->text(), "&Ansicht");
    EXPECT_EQ(top[3]->text(), "&?");
    EXPECT_EQ(MenuTexts(top[0]->menu()),
              (QStringList{"&Neu\tStrg+N", "Ö&ffnen...\tStrg+O", "S&peichern\tStrg+S", "Speichern &unter...",
                           "-", "&Beenden"}));
    EXPECT_EQ(MenuTexts(top[1]->menu()), (QStringList{"&Rückgängig\tStrg+Z", "-", "&Ausschneiden\tStrg+X",
                                                      "&Kopieren\tStrg+C", "E&infügen\tStrg+V"}));
    EXPECT_EQ(
        MenuTexts(top[2]->menu()),
        (QStringList{"&Symbolleiste", "S&tatusleiste", "-", "&Farblegende", "Farb&skala", "&Gleiche Maßstäbe",
                     "An &Fenster anpassen", "Fenster f&üllen", "Ganze &Daten\tPos1", "-", "A&chsen",
                     "Strömungs&richtung", "&Pfeilspitzen", "Gl&ätten", "L&inienfarbe"}));
    EXPECT_EQ(MenuTexts(top[3]->menu()), (QStringList{"Inf&o über Tesmora..."}));
    // Copy alone has something to work on: the picture.
    for (QAction* action : top[1]->menu()->actions()) {
        if (action->isSeparator()) continue;
        EXPECT_EQ(action->isEnabled(), action->objectName() == "actionEditCopy")
            << action->text().toStdString();
    }
    EXPECT_EQ(ActionNamed(h, "actionFileOpen")->statusTip(), "Öffnet ein bestehendes Dokument.");
    EXPECT_EQ(ActionNamed(h, "actionFileOpen")->toolTip(), "Öffnen");
}

TEST_F(FrameAtStart, KeysOfTheCommands) {
    AppHarness& h = Viewer();
    EXPECT_EQ(ActionNamed(h, "actionFileNew")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
    EXPECT_EQ(ActionNamed(h, "actionFileOpen")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_EQ(ActionNamed(h, "actionFileSave")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    EXPECT_TRUE(
        ActionNamed(h, "actionEditUndo")->shortcuts().contains(QKeySequence(Qt::ALT | Qt::Key_Backspace)));
    EXPECT_TRUE(
        ActionNamed(h, "actionEditPaste")->shortcuts().contains(QKeySequence(Qt::SHIFT | Qt::Key_Insert)));
    EXPECT_TRUE(
        ActionNamed(h, "actionEditCopy")->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Insert)));
    EXPECT_TRUE(
        ActionNamed(h, "actionEditCut")->shortcuts().contains(QKeySequence(Qt::SHIFT | Qt::Key_Delete)));
}

// The manual page is written by hand beside the window; this keeps it from falling behind a
// new menu command or file type.
TEST_F(FrameAtStart, TheManualPageNamesEveryMenuCommandAndFileType) {
    QFile file(QStringLiteral(TESMORA_VIEWER_MAN_PAGE));
    if (!file.open(QIODevice::ReadOnly)) GTEST_SKIP() << "no manual page made (help2man missing)";
    QString page = QString::fromUtf8(file.readAll());
    for (const auto& [troff, text] :
         std::initializer_list<std::pair<const char*, const char*>>{{"\\[:O]", "Ö"},
                                                                    {"\\[:o]", "ö"},
                                                                    {"\\[:u]", "ü"},
                                                                    {"\\[:a]", "ä"},
                                                                    {"\\[ss]", "ß"},
                                                                    {"\\[en]", "–"},
                                                                    {"\\-", "-"},
                                                                    {"\\fB", ""},
                                                                    {"\\fI", ""},
                                                                    {"\\fR", ""},
                                                                    {"\\fP", ""}})
        page.replace(QString::fromUtf8(troff), QString::fromUtf8(text));
    QStringList commands;
    std::function<void(QMenu*)> collect = [&](QMenu* menu) {
        for (QAction* action : menu->actions()) {
            if (action->isSeparator()) continue;
            commands << action->text()
                            .section(QLatin1Char('\t'), 0, 0)
                            .remove(QLatin1Char('&'))
                            .remove(QStringLiteral("..."));
            if (action->menu()) collect(action->menu());
        }
    };
    for (QAction* top : Viewer().Frame().menuBar()->actions()) collect(top->menu());
    ASSERT_GT(commands.size(), 15);
    for (const QString& command : commands) EXPECT_TRUE(page.contains(command)) << command.toStdString();
    for (const std::string& pattern : formats::AcceptedPatterns())
        EXPECT_TRUE(page.contains(QString::fromStdString(pattern.substr(1)))) << pattern;
}

TEST(Frame, TitleNamesTheOpenedFileAndNewKeepsThePicture) {
    testsupport::TempDir dir;
    const std::string path = testsupport::WriteDataSet(dir, "wing", apptest::ShearFlow());
    AppHarness h;
    EXPECT_EQ(h.Frame().windowTitle(), "Unbenannt - Tesmora");
    ASSERT_TRUE(h.App().OpenPath(QString::fromStdString(path)));
    EXPECT_EQ(h.Frame().windowTitle(), "wing.gri - Tesmora");
    const QImage picture = h.Paint();
    h.ClickSpin(h.Bar().DSepSpin(), true);
    // Ctrl+N starts a new document: the title, nothing else.
    h.Frame().activateWindow();
    ActionNamed(h, "actionFileNew")->trigger();
    AppHarness::Settle();
    EXPECT_EQ(h.Frame().windowTitle(), "Unbenannt - Tesmora");
    EXPECT_TRUE(h.Scene().HasDataSet());
    EXPECT_EQ(h.Scene().m_nDSep, 11);
    EXPECT_EQ(h.Paint(), picture);
}

TEST(Frame, OpenGoesThroughTheGeometryFileDialog) {
    testsupport::TempDir dir;
    const QString path = QString::fromStdString(testsupport::WriteDataSet(dir, "wing", apptest::ShearFlow()));
    AppHarness h;
    apptest::ModalCatcher catcher;
    QString filter, selected;
    QStringList buttons;
    catcher.SetDialogHandler([&](QWidget* dialog) {
        auto* files = qobject_cast<QFileDialog*>(dialog);
        ASSERT_NE(files, nullptr);
        filter = files->nameFilters().join(";");
        selected = files->selectedNameFilter();
        for (const QPushButton* button : files->findChildren<QPushButton*>()) buttons << button->text();
        files->selectFile(path);
        QMetaObject::invokeMethod(files, "accept");
    });
    h.Frame().activateWindow();
    // The shortcut reaches only an active window; on a loaded machine the display takes its
    // time to make it one.
    ASSERT_TRUE(QTest::qWaitForWindowActive(&h.Frame(), 30000));
    QTest::keyClick(&h.Frame(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(catcher.SeenSoFar().size(), 1u);
    EXPECT_EQ(catcher.SeenSoFar()[0].title, "Öffnen");
    // Every flow file at first, then each format, then every file.
    EXPECT_EQ(
        filter,
        "Alle Strömungsdateien (*.gri *.txt *.csv *.tsv *.dat *.vec *.tec *.plt *.vtk *.vti *.vtr *.vts "
        "*.vtu "
        "*.vtp *.mat *.nc *.cdf *.nc4 *.pvd);Geometriedateien (*.gri);Spaltentext (*.txt *.csv *.tsv *.dat);"
        "Tecplot ASCII (*.dat *.tec *.plt *.vec);VTK Legacy (*.vtk);VTK XML (*.vti *.vtr *.vts *.vtu *.vtp);"
        "PIVlab MATLAB (*.mat);netCDF (*.nc *.cdf *.nc4);ParaView-Sammlungen (*.pvd);Alle Dateien (*)");
    EXPECT_TRUE(selected.startsWith("Alle Strömungsdateien")) << selected.toStdString();
    // A pattern a reader takes and no format's filter names would be found only under all.
    for (const std::string& pattern : formats::AcceptedPatterns()) {
        const QStringList own = OpenFilters().mid(1, OpenFilters().size() - 2);
        EXPECT_TRUE(std::any_of(own.begin(), own.end(), [&](const QString& f) {
            return f.contains(QString::fromStdString(" " + pattern)) ||
                   f.contains(QString::fromStdString("(" + pattern));
        })) << pattern;
    }
    EXPECT_TRUE(h.Scene().HasDataSet());
    EXPECT_EQ(h.Frame().windowTitle(), "wing.gri - Tesmora");
    // Qt's own dialog speaks German with the rest of the viewer.
    EXPECT_TRUE(buttons.contains("Abbrechen")) << buttons.join(", ").toStdString();

    // Cancelled, the dialog changes nothing.
    const QImage picture = h.Paint();
    catcher.SetDialogHandler([](QWidget* dialog) { QMetaObject::invokeMethod(dialog, "reject"); });
    h.App().OnFileOpen();
    EXPECT_EQ(catcher.SeenSoFar().size(), 2u);
    EXPECT_TRUE(h.Scene().HasDataSet());
    EXPECT_EQ(h.Paint(), picture);
    EXPECT_EQ(h.Frame().windowTitle(), "wing.gri - Tesmora");
}

TEST_F(FrameAtStart, ToolBarAndControlBarAreTwoBandsAtTheTop) {
    AppHarness& h = Viewer();
    QToolBar* tools = h.Frame().ToolBar();
    QToolBar* control = h.Frame().ControlBand();
    EXPECT_EQ(h.Frame().toolBarArea(tools), Qt::TopToolBarArea);
    EXPECT_EQ(h.Frame().toolBarArea(control), Qt::TopToolBarArea);
    EXPECT_FALSE(h.Frame().toolBarBreak(control));
    EXPECT_LT(tools->geometry().left(), control->geometry().left());
    const QList<QAction*> buttons = tools->actions();
    ASSERT_EQ(buttons.size(), 3);
    EXPECT_EQ(buttons[0], ActionNamed(h, "actionFileNew"));
    EXPECT_EQ(buttons[1], ActionNamed(h, "actionFileOpen"));
    EXPECT_EQ(buttons[2], ActionNamed(h, "actionFileSave"));
    for (QAction* action : buttons) EXPECT_FALSE(action->icon().isNull());
    // The view lies below both bands.
    EXPECT_GE(h.View().mapTo(&h.Frame(), QPoint(0, 0)).y(), control->geometry().bottom());
}

TEST(Frame, ViewMenuHidesAndShowsTheBars) {
    AppHarness h;
    QAction* toolBar = ActionNamed(h, "actionViewToolBar");
    QAction* statusBar = ActionNamed(h, "actionViewStatusBar");
    ASSERT_TRUE(toolBar->isChecked());
    toolBar->trigger();
    EXPECT_FALSE(h.Frame().ToolBar()->isVisible());
    EXPECT_TRUE(h.Frame().ControlBand()->isVisible());
    toolBar->trigger();
    EXPECT_TRUE(h.Frame().ToolBar()->isVisible());
    statusBar->trigger();
    EXPECT_FALSE(h.Frame().statusBar()->isVisible());
    statusBar->trigger();
    EXPECT_TRUE(h.Frame().statusBar()->isVisible());
}

// Idle, the bar says so and nothing else: no lock-key indicators, no hint button.
TEST_F(FrameAtStart, StatusBarIsIdle) {
    AppHarness& h = Viewer();
    QStatusBar* bar = h.Frame().statusBar();
    EXPECT_TRUE(bar->currentMessage().isEmpty());
    EXPECT_EQ(h.Frame().IdleLabel()->text(), "Bereit");
    EXPECT_TRUE(h.Frame().IdleLabel()->isVisible());
    QStringList others;
    for (QLabel* label : bar->findChildren<QLabel*>())
        if (label != h.Frame().IdleLabel() && label->isVisible() && !label->text().isEmpty())
            others << label->text();
    EXPECT_TRUE(others.isEmpty()) << others.join(", ").toStdString();
    EXPECT_FALSE(h.Frame().HintButton()->isVisible());
}

// Every prompt the bar shows while the pointer rests on a command or a control fits, whole, on a
// bar 1600 pixels wide.
TEST_F(FrameAtStart, EveryPromptFitsOnTheStatusBar) {
    AppHarness& h = Viewer();
    const QFontMetrics metrics(h.Frame().statusBar()->font());
    QStringList prompts;
    for (QAction* action : h.Frame().findChildren<QAction*>()) prompts << action->statusTip();
    for (QWidget* control : h.Frame().findChildren<QWidget*>()) prompts << control->statusTip();
    for (int i = 0; i < h.Bar().StepBox()->count(); ++i)
        prompts << h.Bar().StepBox()->itemData(i, Qt::StatusTipRole).toString();
    ASSERT_GT(prompts.size(), 40);
    // The bar's own margins and its size grip take some 40 pixels.
    for (const QString& prompt : prompts)
        EXPECT_LE(metrics.horizontalAdvance(prompt), 1560) << prompt.toStdString();
}

// Edit > Copy puts the picture the view shows on the clipboard, as Save would write it.
TEST(Frame, CopyPutsThePictureOnTheClipboard) {
    testsupport::TempDir dir;
    AppHarness h;
    ASSERT_TRUE(h.App().OpenPath(
        QString::fromStdString(testsupport::WriteDataSet(dir, "wing", apptest::ShearFlow()))));
    QApplication::clipboard()->clear();
    QTest::keyClick(&h.Frame(), Qt::Key_C, Qt::ControlModifier);
    if (QApplication::clipboard()->image().isNull()) ActionNamed(h, "actionEditCopy")->trigger();
    const QImage copied = QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB888);
    EXPECT_EQ(copied, h.View().GrabPicture());
}

// Narrower than the control bar's one row, the window shows it in two, every text whole.
TEST(Frame, ControlBarWrapsInANarrowWindow) {
    AppHarness h;
    for (const int width : {1600, 900}) {
        h.Frame().showNormal();
        h.Frame().setGeometry(0, 0, width, 800);
        AppHarness::Settle();
        // The display resizes the window when it gets to it, later on a loaded machine.
        (void)QTest::qWaitFor(
            [&] { return h.Frame().width() == width && h.Bar().InTwoRows() == (width < 1000); }, 10000);
        ASSERT_EQ(h.Frame().width(), width) << "the window cannot be made so narrow";
        EXPECT_EQ(h.Bar().InTwoRows(), width < 1000) << width;
        const QRect frame = h.Frame().rect();
        for (QWidget* control : h.Bar().findChildren<QWidget*>()) {
            if (!qobject_cast<QLabel*>(control) && !qobject_cast<QAbstractButton*>(control)) continue;
            if (qobject_cast<QToolButton*>(control)) continue;  // the spin pairs' arrows
            EXPECT_GE(control->width(), control->minimumSizeHint().width())
                << width << " " << control->objectName().toStdString();
            const QRect shown(control->mapTo(&h.Frame(), QPoint(0, 0)), control->size());
            EXPECT_TRUE(frame.contains(shown)) << width << " " << control->objectName().toStdString();
        }
    }
}

TEST(Frame, StatusBarReadsOutThePointAndReturnsToIdle) {
    testsupport::TempDir dir;
    const std::string path = testsupport::WriteDataSet(dir, "linear", apptest::LinearFlow());
    AppHarness h;
    QStatusBar* bar = h.Frame().statusBar();
    // Over the view without data there is nothing to tell.
    MoveTo(h, 500, 300);
    EXPECT_TRUE(bar->currentMessage().isEmpty());

    ASSERT_TRUE(h.App().OpenPath(QString::fromStdString(path)));
    MoveTo(h, 350 + 349, 70 + 559);
    const QString corner = bar->currentMessage();
    // The top-right raster pixel is the grid's far corner (35, 56): speed of (1.7, -0.06),
    // pressure 3 * 35 - 56 = 49, vorticity 0.25 * 35 + 0.5 * 56 = 36,75.
    EXPECT_TRUE(corner.startsWith("x = 35  y = 56 ")) << corner.toStdString();
    EXPECT_TRUE(corner.contains("Geschwindigkeit = 1,701")) << corner.toStdString();
    EXPECT_TRUE(corner.contains("Druck = 49")) << corner.toStdString();
    EXPECT_TRUE(corner.contains("Wirbelstärke = 36,75")) << corner.toStdString();
    EXPECT_FALSE(h.Frame().IdleLabel()->isVisible());

    MoveTo(h, 350, 70);
    EXPECT_TRUE(bar->currentMessage().startsWith("x = 0  y = 0 ")) << bar->currentMessage().toStdString();

    // Off the picture, and out of the view: back to "Bereit".
    MoveTo(h, 349, 300);
    EXPECT_TRUE(bar->currentMessage().isEmpty());
    EXPECT_TRUE(h.Frame().IdleLabel()->isVisible());
    MoveTo(h, 500, 300);
    EXPECT_FALSE(bar->currentMessage().isEmpty());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&h.View(), &leave);
    EXPECT_TRUE(bar->currentMessage().isEmpty());
}

TEST(Frame, StatusBarSaysWhenTheTimeStepDoesNotSuitTheDataSet) {
    testsupport::TempDir dir;
    // 5 cm across at 1.5 m/s: one time step of 0.1 moves about a thousand pixels.
    const QString si = QString::fromStdString(
        testsupport::WriteDataSet(dir, "si", MakeFlow("cylinder", 64, 102, 1, 0.0f, FlowUnits{0.0025, 1.5})));
    const QString plain =
        QString::fromStdString(testsupport::WriteDataSet(dir, "plain", apptest::LinearFlow()));
    AppHarness h;
    QLabel* idle = h.Frame().IdleLabel();
    ASSERT_TRUE(h.App().OpenPath(si));
    EXPECT_TRUE(
        idle->text().startsWith("Hinweis: Ein Zeitschritt von 0,1 bewegt einen Punkt beim Median der "
                                "Geschwindigkeit um 1074 Pixel (95. Perzentil: 1287 Pixel)"))
        << idle->text().toStdString();
    EXPECT_TRUE(idle->text().contains("Schritt „1 px“ und „gleichmäßig (fein)“"))
        << idle->text().toStdString();
    EXPECT_LE(h.Scene().GetStreamlineCount(), 2u);
    EXPECT_TRUE(h.Frame().HintButton()->isVisible());
    // Whole beside the button on a screen 1600 pixels wide.
    AppHarness::Settle();
    EXPECT_LE(idle->fontMetrics().horizontalAdvance(idle->text()), idle->contentsRect().width());

    // With the pixel step chosen, Draw places the streamlines and the note has nothing to say.
    QComboBox* step = h.Bar().StepBox();
    emit step->activated(h.Bar().StepIndex(1.0f));
    QTest::mouseClick(h.Bar().DrawButton(), Qt::LeftButton);
    AppHarness::Settle();
    EXPECT_GE(h.Scene().GetStreamlineCount(), 25u);
    EXPECT_EQ(idle->text(), "Bereit");
    EXPECT_FALSE(h.Frame().HintButton()->isVisible());
    emit step->activated(h.Bar().StepIndex(0.0f));
    QTest::mouseClick(h.Bar().DrawButton(), Qt::LeftButton);
    EXPECT_TRUE(idle->text().startsWith("Hinweis:"));
    // The button makes both choices the note names, shows them and draws.
    QTest::mouseClick(h.Frame().HintButton(), Qt::LeftButton);
    AppHarness::Settle();
    EXPECT_EQ(h.Bar().StepBox()->currentIndex(), h.Bar().StepIndex(1.0f));
    EXPECT_TRUE(h.Bar().FinePlacementBox()->isChecked());
    EXPECT_EQ(h.View().Settings().placement, kPlacementFine);
    EXPECT_FLOAT_EQ(h.View().Settings().stepPixels, 1.0f);
    EXPECT_GE(h.Scene().GetStreamlineCount(), 25u);
    EXPECT_EQ(idle->text(), "Bereit");
    EXPECT_FALSE(h.Frame().HintButton()->isVisible());
    // A data set the time step suits says nothing; the note is not kept from the last one.
    ASSERT_TRUE(h.App().OpenPath(plain));
    EXPECT_EQ(idle->text(), "Bereit");
}

// A standard Draw that places far fewer streamlines than the fine placement would is told, with
// both counts; the scene keeps the streamlines that Draw placed.
TEST(Frame, StatusBarSaysWhenTheStandardPlacementFallsShort) {
    AppHarness h;
    ASSERT_TRUE(h.App().OpenPath(QStringLiteral(TESMORA_REALDATA "/cavity_graded.gri")));
    QLabel* idle = h.Frame().IdleLabel();
    emit h.Bar().StepBox()->activated(h.Bar().StepIndex(1.0f));
    bool told = false;
    for (std::uint32_t seed = 1; seed <= 40 && !told; ++seed) {
        h.Scene().SetFixedSeed(seed);
        QTest::mouseClick(h.Bar().DrawButton(), Qt::LeftButton);
        const std::size_t placed = h.Scene().GetStreamlineCount();
        const auto shortfall = h.View().Shortfall();
        ASSERT_EQ(shortfall.has_value(), idle->text().startsWith("Hinweis: Diese Verteilung hat nur"));
        if (!shortfall) continue;
        told = true;
        EXPECT_EQ(shortfall->placed, placed);
        EXPECT_LT(shortfall->placed * 5, shortfall->fine);
        EXPECT_TRUE(idle->text().contains(QStringLiteral("nur %1 Stromlinien").arg(placed)));
        EXPECT_TRUE(idle->text().contains(QStringLiteral("setzt %1.").arg(shortfall->fine)));
        // The lines on screen are the standard placement's, with the seed it drew.
        FlowScene& scene = h.Scene();
        EXPECT_EQ(scene.LastSeed(), seed);
        EXPECT_EQ(scene.FixedSeed(), seed);
        std::vector<Streamline> shown;
        for (std::size_t i = 0; i < placed; ++i) shown.push_back(scene.GetStreamline(i));
        scene.RedrawScene();
        ASSERT_EQ(scene.GetStreamlineCount(), placed);
        for (std::size_t i = 0; i < placed; ++i)
            EXPECT_EQ(scene.GetStreamline(i).GetCount(), shown[i].GetCount());
    }
    EXPECT_TRUE(told) << "the cavity's saddle never took the standard placement down";
    // The fine placement fills the picture and has nothing to be told.
    QTest::mouseClick(h.Bar().FinePlacementBox(), Qt::LeftButton);
    QTest::mouseClick(h.Bar().DrawButton(), Qt::LeftButton);
    EXPECT_FALSE(h.View().Shortfall());
    EXPECT_EQ(idle->text(), "Bereit");
}

TEST(Frame, AboutBoxOpensAndCloses) {
    AppHarness h;
    apptest::ModalCatcher catcher;
    QString copyright;
    catcher.SetDialogHandler([&copyright](QWidget* dialog) {
        if (auto* label = dialog->findChild<QLabel*>(QStringLiteral("aboutCopyright")))
            copyright = label->text();
        if (auto* box = qobject_cast<QDialog*>(dialog)) box->reject();
    });
    ActionNamed(h, "actionAppAbout")->trigger();
    ASSERT_EQ(catcher.SeenSoFar().size(), 1u);
    EXPECT_EQ(catcher.SeenSoFar()[0].title, "Info über Tesmora");
    // Its prompt promises the copyright; the licence is the one in LICENSE.
    EXPECT_EQ(copyright, "Copyright © 2026 die Tesmora-Autoren. MIT-Lizenz.");
}

TEST_F(FrameAtStart, IsShownMaximised) {
    AppHarness& h = Viewer();
    EXPECT_TRUE(h.Frame().isMaximized());
    // Big enough for the picture at (350, 70) and its 350 x 560 pixels.
    EXPECT_GE(h.View().DeviceSize().width(), 700);
    EXPECT_GE(h.View().DeviceSize().height(), 630);
}
