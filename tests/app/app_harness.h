#pragma once

#include <gtest/gtest.h>

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "app/control_bar.h"
#include "app/main_frame.h"
#include "app/tesmora_app.h"
#include "app/tesmora_view.h"
#include "tests/support/picture_kit_qt.h"
#include "tests/support/test_support.h"

namespace apptest {

// Runs the viewer as the program does, with the given command line, and waits until its window
// is shown at its final size.
class AppHarness {
public:
    // CHOICES_FILE keeps the viewer's choices of its view; by default a file of this viewer's own.
    explicit AppHarness(const QStringList& arguments = {QStringLiteral("tesmora")},
                        const QString& choicesFile = {});
    ~AppHarness();

    bool Started() const { return m_bStarted; }
    const QString& ChoicesFile() const { return m_choicesFile; }
    CTesmoraApp& App() { return *m_pApp; }
    FlowScene& Scene() { return m_pApp->Scene(); }
    CMainFrame& Frame() { return *m_pApp->MainFrame(); }
    CTesmoraView& View() { return *m_pApp->View(); }
    CControlBar& Bar() { return *m_pApp->MainFrame()->ControlBar(); }

    // A fresh paint of the view, read back in device pixels as RGB.
    QImage Paint();
    // Lets queued events (paint requests among them) run.
    static void Settle();
    // The device-pixel ratio of the view.
    double Ratio();
    // A left click at device position (x, yFromBottom), as a user would make it.
    void ClickAtDevice(int x, int yFromBottom);
    // Clicks an arrow of a spin pair: up reports -1, down +1.
    void ClickSpin(CUpDown* spin, bool up);

private:
    int m_argc = 0;
    std::vector<QByteArray> m_argBytes;
    std::vector<char*> m_argv;
    testsupport::TempDir m_choices;
    QString m_choicesFile;
    std::unique_ptr<CTesmoraApp> m_pApp;
    bool m_bStarted = false;
};

// One viewer for all cases of a suite that only look at the viewer as it starts (menus, keys,
// bars, the settings shown): its start, about a second and more under the sanitizers, is paid
// once. A case that changes anything starts its own AppHarness instead.
class SharedViewer : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_viewer = std::make_unique<AppHarness>(); }
    static void TearDownTestSuite() { s_viewer.reset(); }
    void SetUp() override { ASSERT_TRUE(s_viewer && s_viewer->Started()); }
    static AppHarness& Viewer() { return *s_viewer; }

private:
    static inline std::unique_ptr<AppHarness> s_viewer;
};

using picturekit::IsArrowBase;
using picturekit::IsBlack;
using picturekit::IsWhite;
using picturekit::Rgb;
// The colour at window position (x, y) with y counted from the bottom edge, as drawn.
Rgb WindowPixel(const QImage& frame, int x, int yFromBottom);
// The colour the background image gives raster pixel (x, y).
Rgb ImagePixel(const FlowScene& scene, int x, int y);
// Some pixel within one pixel of window position (x, y) satisfies PRED: a line through a
// vertex on a pixel corner lights one of the pixels around it.
bool NearWindow(const QImage& frame, int x, int yFromBottom, const std::function<bool(Rgb)>& pred);
// Raster pixels within two pixels of any point of the placed streamlines (and of EXTRA).
std::vector<bool> StreamlineMask(const FlowScene& scene, const Streamline* extra = nullptr);

// Watches for modal windows while a test runs and deals with each one: message boxes are
// recorded and closed with OK, other dialogs are handed to a handler (rejected without one).
class ModalCatcher {
public:
    struct Seen {
        QString title;
        QString text;
        int icon = 0;  // QMessageBox::Icon, 0 for other dialogs
    };
    ModalCatcher();
    ~ModalCatcher();
    void SetDialogHandler(std::function<void(QWidget*)> handler) { m_handler = std::move(handler); }
    const std::vector<Seen>& SeenSoFar() const { return m_seen; }

private:
    void Poll();
    QTimer m_timer;
    std::vector<Seen> m_seen;
    std::function<void(QWidget*)> m_handler;
};

// The data set of most tests: a sheared stream on a 35 x 56 world rectangle (the picture's
// aspect), with pressure x + y and vorticity x * y / 100, so that every field varies.
DataSetArrays ShearFlow();
// Linear fields, which bilinear interpolation reproduces exactly.
DataSetArrays LinearFlow();

}  // namespace apptest

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
