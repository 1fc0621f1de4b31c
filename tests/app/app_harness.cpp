#include "tests/app/app_harness.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <cmath>

#include "app/updown_control.h"

namespace apptest {

namespace {

// Waits for PRED, letting events run, for at most TIMEOUT_MS.
bool WaitFor(const std::function<bool()>& pred, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!pred()) {
        if (clock.elapsed() > timeoutMs) return false;
        QTest::qWait(10);
    }
    return true;
}

}  // namespace

AppHarness::AppHarness(const QStringList& arguments, const QString& choicesFile)
    : m_choicesFile(choicesFile.isEmpty() ? QString::fromStdString(m_choices.File("view.ini"))
                                          : choicesFile) {
    for (const QString& argument : arguments) m_argBytes.push_back(argument.toLocal8Bit());
    for (QByteArray& bytes : m_argBytes) m_argv.push_back(bytes.data());
    m_argv.push_back(nullptr);
    m_argc = static_cast<int>(arguments.size());
    // Each viewer remembers its choices in a file of its own, so that no case sees another's.
    m_pApp = std::make_unique<CTesmoraApp>(m_argc, m_argv.data(), m_choicesFile);
    m_bStarted = m_pApp->InitInstance();
    if (!m_bStarted) return;
    // Without a window manager the frame fills the screen itself after a short grace period.
    WaitFor(
        [this] {
            const QRect available = Frame().screen()->availableGeometry();
            // As the frame judges it: both ways, as a narrow window is widened as well.
            return Frame().frameGeometry().height() >= available.height() * 9 / 10 &&
                   Frame().frameGeometry().width() >= available.width() * 9 / 10;
        },
        3000);
    (void)QTest::qWaitForWindowExposed(&Frame());
    WaitFor([this] { return View().isValid() && View().PaintCount() > 0; }, 3000);
    Settle();
}

AppHarness::~AppHarness() {
    if (m_pApp && m_pApp->MainFrame()) m_pApp->MainFrame()->close();
    m_pApp.reset();
    Settle();
}

void AppHarness::Settle() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QTest::qWait(15);
    }
}

QImage AppHarness::Paint() {
    return View().grabFramebuffer().convertToFormat(QImage::Format_RGB32);
}

double AppHarness::Ratio() {
    return View().devicePixelRatioF();
}

void AppHarness::ClickAtDevice(int x, int yFromBottom) {
    const int deviceHeight = View().DeviceSize().height();
    const double ratio = Ratio();
    // The logical position whose device pixel is (x, height - yFromBottom); the half pixel
    // keeps it off the boundary between two device pixels.
    const QPointF logical((x + 0.5) / ratio, (deviceHeight - yFromBottom + 0.5) / ratio);
    QMouseEvent press(QEvent::MouseButtonPress, logical, View().mapToGlobal(logical), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, logical, View().mapToGlobal(logical), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&View(), &press);
    QApplication::sendEvent(&View(), &release);
}

void AppHarness::ClickSpin(CUpDown* spin, bool up) {
    (up ? spin->UpButton() : spin->DownButton())->click();
}

Rgb WindowPixel(const QImage& frame, int x, int yFromBottom) {
    return picturekit::ToRgb(frame.pixel(x, frame.height() - 1 - yFromBottom));
}

Rgb ImagePixel(const FlowScene& scene, int x, int y) {
    const std::uint8_t* p =
        scene.m_pImage.get() + 3 * (static_cast<std::size_t>(y) * kRasterWidth + static_cast<std::size_t>(x));
    return {p[0], p[1], p[2]};
}

bool NearWindow(const QImage& frame, int x, int yFromBottom, const std::function<bool(Rgb)>& pred) {
    // Read in place: a copy of the whole frame per call made the tests that look near every
    // point of every streamline take minutes under the sanitizers.
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int px = x + dx;
            const int row = frame.height() - 1 - (yFromBottom + dy);
            if (px >= 0 && px < frame.width() && row >= 0 && row < frame.height() &&
                pred(picturekit::ToRgb(frame.pixel(px, row))))
                return true;
        }
    return false;
}

std::vector<bool> StreamlineMask(const FlowScene& scene, const Streamline* extra) {
    std::vector<bool> mask(350 * 560, false);
    const auto mark = [&mask](const Streamline& s) {
        for (std::size_t i = 0; i < s.GetCount(); ++i) {
            const PixelPoint p = s.GetPoint(i);
            for (int dy = -2; dy <= 2; ++dy)
                for (int dx = -2; dx <= 2; ++dx) {
                    const int x = p.x + dx;
                    const int y = p.y + dy;
                    if (x >= 0 && y >= 0 && x < 350 && y < 560)
                        mask[static_cast<std::size_t>(y * 350 + x)] = true;
                }
        }
    };
    for (std::size_t i = 0; i < scene.GetStreamlineCount(); ++i) mark(scene.StreamlineAt(i));
    if (extra) mark(*extra);
    return mask;
}

ModalCatcher::ModalCatcher() {
    m_timer.setInterval(20);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
    m_timer.start();
}

ModalCatcher::~ModalCatcher() {
    m_timer.stop();
}

void ModalCatcher::Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible()) return;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        m_seen.push_back({box->windowTitle(), box->text(), static_cast<int>(box->icon())});
        if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
            ok->click();
        } else {
            box->reject();
        }
        return;
    }
    if (auto* dialog = qobject_cast<QDialog*>(modal)) {
        m_seen.push_back({dialog->windowTitle(), QString(), 0});
        if (m_handler) {
            m_handler(dialog);
        } else {
            dialog->reject();
        }
    }
}

DataSetArrays ShearFlow() {
    return testsupport::MakeRectilinear(testsupport::Axis(36, 0.0f, 35.0f),
                                        testsupport::Axis(57, 0.0f, 56.0f), 1, [](float x, float y) {
                                            testsupport::NodeValues values;
                                            values.u = 0.5f + y / 56.0f;
                                            values.v = 0.3f * std::sin(x / 5.0f);
                                            values.p = x + y;
                                            values.w = x * y / 100.0f;
                                            return values;
                                        });
}

DataSetArrays LinearFlow() {
    return testsupport::MakeRectilinear(testsupport::Axis(8, 0.0f, 35.0f), testsupport::Axis(12, 0.0f, 56.0f),
                                        1, [](float x, float y) {
                                            testsupport::NodeValues values;
                                            values.u = 1.0f + 0.02f * x;
                                            values.v = 0.5f - 0.01f * y;
                                            values.p = 3.0f * x - y;
                                            values.w = 0.25f * x + 0.5f * y;
                                            return values;
                                        });
}

}  // namespace apptest
