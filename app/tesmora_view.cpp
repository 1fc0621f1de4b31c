#include "app/tesmora_view.h"

#include <GL/gl.h>

#include <QMessageBox>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "app/control_bar.h"
#include "app/pointer_readout.h"
#include "app/ui_texts.h"
#include "app/view_figure.h"
#include "app/wait_cursor.h"
#include "base/raster_geometry.h"
#include "output/scene_capture.h"
#include "render/scene_drawing.h"
#include "render/view_projection.h"
#include "scene/flow_scene.h"
#include "streamlines/pixel_mapping.h"

namespace {

// A double-buffered RGBA context with at least 24 colour and 16 depth bits, in the
// compatibility profile, since the drawing is OpenGL 1.1 immediate mode.
QSurfaceFormat ViewFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setDepthBufferSize(16);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    return format;
}

}  // namespace

CTesmoraView::CTesmoraView(FlowScene& scene, QWidget* parent) : QOpenGLWidget(parent), m_scene(scene) {
    setObjectName(QStringLiteral("view"));
    setFormat(ViewFormat());
    setMouseTracking(true);
    m_pRenew = new QTimer(this);
    m_pRenew->setSingleShot(true);
    m_pRenew->setInterval(15);
    connect(m_pRenew, &QTimer::timeout, this, [this] { RenewView(); });
    UpdateMinimumSize();
}

void CTesmoraView::showEvent(QShowEvent* event) {
    // The screen, and with it the device-pixel ratio, is known for certain once shown.
    UpdateMinimumSize();
    QOpenGLWidget::showEvent(event);
}

void CTesmoraView::UpdateMinimumSize() {
    if (m_bFitWindow || m_bFillView) {
        setMinimumSize(1, 1);
        return;
    }
    const double ratio = devicePixelRatioF();
    const FigureMargins m = ViewFigureMargins(m_scene);
    const int width = kImageOriginX + PictureWidth(m_scene.m_modes.legend) + m.right;
    setMinimumSize(static_cast<int>(std::ceil(width / ratio)),
                   static_cast<int>(std::ceil((kMinViewHeight + m.top) / ratio)));
}

bool CTesmoraView::LegendShown() const {
    return m_scene.m_modes.legend && m_scene.HasDataSet();
}

PictureFrame CTesmoraView::Frame() const {
    // The classic frame leaves room enough left of and below the picture for the axes; scaled
    // or filling, the picture gives them theirs.
    const FigureMargins m = ViewFigureMargins(m_scene);
    // Filling, raster pixel (0, 0) lies at the view's bottom-left corner, one device pixel each.
    if (m_bFillView) return {m.left, m.bottom, 1.0};
    if (!m_bFitWindow) return PictureFrame{};
    PictureFrame fitted = FittedFrame(std::max(1, m_cx - m.left - m.right),
                                      std::max(1, m_cy - m.top - m.bottom), LegendShown(), m_scene.Raster());
    fitted.originX += m.left;
    fitted.originY += m.bottom;
    return fitted;
}

bool CTesmoraView::OpenGLAvailable() {
    QOpenGLContext context;
    context.setFormat(ViewFormat());
    return context.create();
}

void CTesmoraView::initializeGL() {
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
}

void CTesmoraView::paintEvent(QPaintEvent* event) {
    QOpenGLWidget::paintEvent(event);
    // The widget sets its context up on the first paint and says nothing when that fails but
    // a warning on the console; the user is told once, after the paint has ended.
    if (!isValid() && !m_bContextFailureReported && window()->isVisible()) {
        m_bContextFailureReported = true;
        QTimer::singleShot(0, this, [this] {
            QMessageBox::critical(this, QString::fromUtf8(ui::kAppTitle),
                                  QString::fromUtf8(ui::kErrorCreatingRC));
        });
    }
}

void CTesmoraView::resizeGL(int /*w*/, int /*h*/) {
    // The widget reports its size in logical pixels; the framebuffer has device pixels.
    const int cx = static_cast<int>(std::lround(width() * devicePixelRatioF()));
    const int cy = DeviceHeight();
    if (cx <= 0 || cy <= 0) return;  // a zero size keeps the projection in force
    m_cx = cx;
    m_cy = cy;
    SetViewProjection(m_cx, m_cy);
    if (m_bFillView) m_pRenew->start();
}

void CTesmoraView::paintGL() {
    ++m_nPaints;
    // The widget sets the viewport to its framebuffer before every paint; the projection is
    // renewed with it so that both always describe the same size.
    SetViewProjection(m_cx, m_cy);
    BeginFrame();
    const PictureFrame frame = Frame();
    DrawPicture(m_scene, frame, &m_legendText);
    const bool drawClick = (m_bClickPending || (m_bKeepClick && m_bClickShown)) && m_scene.HasDataSet() &&
                           m_scene.m_pClickStreamline;
    if (drawClick) DrawStreamline(*m_scene.m_pClickStreamline, OverlayColoursOf(m_scene));
    m_bClickPending = false;
    m_bClickShown = drawClick;
    m_figure.Draw(m_scene, frame);
    ShowSettings();
    EndFrame();
}

void CTesmoraView::ShowSettings() {
    if (m_pControlBar) m_pControlBar->ShowSettings(m_scene.m_nDSep, m_scene.m_fDTestPercent);
}

int CTesmoraView::OnDeltaPosDSep(int iDelta) {
    // The test distance follows, so that it always matches the percentage shown.
    if (ChangeDSep(m_scene, iDelta)) Repaint();
    return 0;
}

int CTesmoraView::OnDeltaPosDTestPercent(int iDelta) {
    if (ChangeDTestPercent(m_scene, iDelta)) Repaint();
    return 0;
}

// The choices below store the setting, the way every front end applies settings: background,
// method and step show at the next Draw or open (and the step at the next click), streamlines
// or arrows and their scaling at the next paint, which they ask for at once.
void CTesmoraView::ChangeSettings(void (*edit)(DrawSettings&)) {
    DrawSettings settings = CurrentDrawSettings(m_scene);
    edit(settings);
    ApplyDrawSettings(m_scene, settings);
}

void CTesmoraView::OnBackgroundSpeed() {
    ChangeSettings([](DrawSettings& s) { s.background = kBackgroundSpeed; });
}
void CTesmoraView::OnBackgroundPressure() {
    ChangeSettings([](DrawSettings& s) { s.background = kBackgroundPressure; });
}
void CTesmoraView::OnBackgroundVorticity() {
    ChangeSettings([](DrawSettings& s) { s.background = kBackgroundVorticity; });
}
void CTesmoraView::OnMethodEuler() {
    ChangeSettings([](DrawSettings& s) { s.method = kMethodEuler; });
}
void CTesmoraView::OnMethodRK2() {
    ChangeSettings([](DrawSettings& s) { s.method = kMethodRK2; });
}
void CTesmoraView::OnMethodRK4() {
    ChangeSettings([](DrawSettings& s) { s.method = kMethodRK4; });
}
void CTesmoraView::OnStepTime() {
    ChangeSettings([](DrawSettings& s) { s.stepPixels = 0.0f; });
}
void CTesmoraView::OnStepHalfPixel() {
    ChangeSettings([](DrawSettings& s) { s.stepPixels = 0.5f; });
}
void CTesmoraView::OnStepOnePixel() {
    ChangeSettings([](DrawSettings& s) { s.stepPixels = kStepPixelsOn; });
}
void CTesmoraView::OnStepTwoPixels() {
    ChangeSettings([](DrawSettings& s) { s.stepPixels = 2.0f; });
}
// Toggled like the arrows' box: every change is a click, so box and setting stay in step.
void CTesmoraView::OnToggleFinePlacement() {
    ChangeSettings([](DrawSettings& s) {
        s.placement = s.placement == kPlacementFine ? kPlacementStandard : kPlacementFine;
    });
}
void CTesmoraView::OnModeStreamlines() {
    ChangeSettings([](DrawSettings& s) { s.hedgehog = false; });
    // A Draw among the arrows placed no streamlines; back among them, they are placed now
    // rather than leaving the picture bare until the next Draw.
    if (m_scene.HasDataSet() && m_scene.GetStreamlineCount() == 0) {
        OnDrawButton();
        return;
    }
    Repaint();
}
void CTesmoraView::OnModeHedgehog() {
    ChangeSettings([](DrawSettings& s) { s.hedgehog = true; });
    Repaint();
}
// The flag is toggled, not read from the box: the two stay in step as every change is a click.
void CTesmoraView::OnToggleArrowsBySpeed() {
    ChangeSettings([](DrawSettings& s) { s.arrowsBySpeed = !s.arrowsBySpeed; });
    Repaint();
}

void CTesmoraView::OnToggleLegend() {
    ChangeSettings([](DrawSettings& s) { s.legend = !s.legend; });
    UpdateMinimumSize();
    Repaint();
}
void CTesmoraView::OnColourMapDesign() {
    ChangeSettings([](DrawSettings& s) { s.colourMap = kColourMapRamp; });
}
void CTesmoraView::OnColourMapViridis() {
    ChangeSettings([](DrawSettings& s) { s.colourMap = kColourMapViridis; });
}
void CTesmoraView::OnColourMapCividis() {
    ChangeSettings([](DrawSettings& s) { s.colourMap = kColourMapCividis; });
}
void CTesmoraView::OnColourMapCoolwarm() {
    ChangeSettings([](DrawSettings& s) { s.colourMap = kColourMapCoolwarm; });
}
void CTesmoraView::OnToggleEqualAspect() {
    ChangeSettings(
        [](DrawSettings& s) { s.aspect = s.aspect == kAspectEqual ? kAspectStretch : kAspectEqual; });
}
// The figure's choices show at the next paint; the axes take room from a picture that fills the
// view, which is made anew for it, and the lines' colours, like the colour map, wait for Draw.
void CTesmoraView::OnToggleAxes() {
    ChangeSettings([](DrawSettings& s) { s.axes = !s.axes; });
    UpdateMinimumSize();
    if (m_bFillView) RenewView();
    Repaint();
}
void CTesmoraView::OnToggleLineArrows() {
    ChangeSettings([](DrawSettings& s) { s.lineArrows = !s.lineArrows; });
    Repaint();
}
void CTesmoraView::OnToggleArrowHeads() {
    ChangeSettings([](DrawSettings& s) { s.arrowHeads = !s.arrowHeads; });
    Repaint();
}
void CTesmoraView::OnToggleSmooth() {
    ChangeSettings([](DrawSettings& s) { s.smooth = !s.smooth; });
    Repaint();
}
void CTesmoraView::OnLineColour(std::int32_t lines) {
    DrawSettings settings = CurrentDrawSettings(m_scene);
    settings.lineColour = lines;
    ApplyDrawSettings(m_scene, settings);
}

void CTesmoraView::OnToggleFitWindow() {
    m_bFitWindow = !m_bFitWindow;
    if (m_bFitWindow && m_bFillView) {
        m_bFillView = false;
        RenewView();
    }
    UpdateMinimumSize();
    Repaint();
    emit viewChoicesChanged();
}

DrawSettings CTesmoraView::Settings() const {
    return CurrentDrawSettings(m_scene);
}

PictureSize CTesmoraView::FillSize() const {
    const int legend = m_scene.m_modes.legend ? kLegendWidth : 0;
    const FigureMargins m = ViewFigureMargins(m_scene);
    return {std::clamp(m_cx - legend - m.left - m.right, kPictureSideMin, kPictureSideMax),
            std::clamp(m_cy - m.top - m.bottom, kPictureSideMin, kPictureSideMax), 0};
}

void CTesmoraView::OnToggleFillView() {
    m_bFillView = !m_bFillView;
    if (m_bFillView) {
        m_bFitWindow = false;
        // The picture fills the view at the data's proportions.
        ChangeSettings([](DrawSettings& s) { s.aspect = kAspectEqual; });
    }
    UpdateMinimumSize();
    RenewView();
    emit viewChoicesChanged();
}

void CTesmoraView::OnWholeData() {
    if (!m_bFillView) return;
    ChangeSettings([](DrawSettings& s) { s.window = WorldWindow{}; });
    RenewView();
}

void CTesmoraView::RenewView() {
    m_pRenew->stop();
    DrawSettings settings = CurrentDrawSettings(m_scene);
    if (m_bFillView && m_cx > 0 && m_cy > 0) {
        settings.size = FillSize();
    } else if (!m_bFillView) {
        // The classic picture, as the view shows it unless it fills itself.
        settings.size = PictureSize{};
        settings.window = WorldWindow{};
    }
    ApplyDrawSettings(m_scene, settings);
    if (m_scene.HasDataSet() && m_scene.ViewChanged()) {
        const WaitCursor wait;
        m_scene.RedrawScene();
        emit sceneRedrawn();
    }
    Repaint();
}

WorldWindow CTesmoraView::ShownWindow() const {
    const RasterSize r = m_scene.Raster();
    const GridNode low = m_scene.PixelToWorld(0, 0), high = m_scene.PixelToWorld(r.width - 1, r.height - 1);
    const WorldOrigin& o = m_scene.Origin();
    return {o.ShownX(low.x), o.ShownX(high.x), o.ShownY(low.y), o.ShownY(high.y)};
}

void CTesmoraView::ZoomAbout(int x, int y, double factor) {
    if (!m_bFillView || !m_scene.HasDataSet() || !(factor > 0.0)) return;
    const std::optional<PixelPoint> pixel = RasterPixelAt(x, y);
    const WorldWindow shown = ShownWindow();
    // The point under the pointer stays where it is; without one, the middle.
    double px = 0.5 * (shown.x0 + shown.x1), py = 0.5 * (shown.y0 + shown.y1);
    if (pixel) {
        const GridNode w = m_scene.PixelToWorld(pixel->x, pixel->y);
        px = m_scene.Origin().ShownX(w.x);
        py = m_scene.Origin().ShownY(w.y);
    }
    const WorldWindow zoomed{px - (px - shown.x0) / factor, px + (shown.x1 - px) / factor,
                             py - (py - shown.y0) / factor, py + (shown.y1 - py) / factor};
    if (!zoomed.IsSet()) return;  // closer than the numbers resolve
    DrawSettings settings = CurrentDrawSettings(m_scene);
    settings.window = zoomed;
    ApplyDrawSettings(m_scene, settings);
    RenewView();
}

void CTesmoraView::PanBy(int dx, int dy) {
    if (!m_bFillView || !m_scene.HasDataSet()) return;
    const WorldWindow from = m_bPanning ? m_panWindow : ShownWindow();
    // Device rows run down, the picture's up; the data follows the pointer.
    const double sx = from.Width() / std::max(1, m_scene.Raster().width - 1);
    const double sy = from.Height() / std::max(1, m_scene.Raster().height - 1);
    DrawSettings settings = CurrentDrawSettings(m_scene);
    settings.window = {from.x0 - dx * sx, from.x1 - dx * sx, from.y0 + dy * sy, from.y1 + dy * sy};
    ApplyDrawSettings(m_scene, settings);
    m_pRenew->start();
}

namespace {

// How many streamlines the fine placement places with the scene's settings. The scene's own
// streamlines are placed again afterwards from the same first seed, so that it ends as it was.
std::size_t FinePlacementCount(FlowScene& scene) {
    const auto clear = [&scene] {
        scene.Grid().DestroyCells();
        scene.Grid().Build(scene.m_nDSep, scene.Raster());
        scene.Grid().ResetNeighbours(scene.m_aCellNbr);
        scene.m_streamlines.clear();
    };
    const std::int32_t placement = scene.m_modes.placement;
    const std::optional<std::uint32_t> fixed = scene.FixedSeed();
    const std::uint32_t seed = scene.LastSeed();
    clear();
    scene.m_modes.placement = kPlacementFine;
    scene.PlaceStreamlines();
    const std::size_t fine = scene.GetStreamlineCount();
    scene.m_modes.placement = placement;
    clear();
    scene.SetFixedSeed(seed);
    scene.PlaceStreamlines();
    scene.SetFixedSeed(fixed);
    return fine;
}

}  // namespace

void CTesmoraView::MeasureShortfall() {
    m_shortfall.reset();
    // The standard placement can collapse (a saddle, a vortex traced round and round) where the
    // fine one fills the picture; the user is told, by the counts of both.
    if (!m_scene.HasDataSet() || m_scene.m_bHedgehog || m_scene.m_modes.placement == kPlacementFine) return;
    const WaitCursor wait;
    const std::size_t placed = m_scene.GetStreamlineCount();
    const std::size_t fine = FinePlacementCount(m_scene);
    if (placed * 5 < fine) m_shortfall = PlacementShortfall{placed, fine};
}

void CTesmoraView::OnDrawButton() {
    {
        const WaitCursor wait;
        m_scene.RedrawScene();
    }
    MeasureShortfall();
    Repaint();
    emit sceneRedrawn();
}

void CTesmoraView::OnApplyStepHint() {
    ChangeSettings([](DrawSettings& s) {
        s.stepPixels = kStepPixelsOn;
        s.placement = kPlacementFine;
    });
    emit choicesChanged();
    OnDrawButton();
}

int CTesmoraView::DeviceHeight() const {
    return static_cast<int>(std::lround(height() * devicePixelRatioF()));
}

QPoint CTesmoraView::ToDevice(QPointF logical) const {
    const double ratio = devicePixelRatioF();
    return {static_cast<int>(std::floor(logical.x() * ratio)),
            static_cast<int>(std::floor(logical.y() * ratio))};
}

std::optional<PixelPoint> CTesmoraView::ClickPixelAt(int x, int y) const {
    // Distance from the bottom edge, as the picture is placed.
    if (!m_bFitWindow && !m_bFillView) return ClickRasterPixel(x, DeviceHeight() - y, m_scene.Raster());
    // Scaled or filling, the pixel under the pointer's device pixel, as the read-out names it;
    // the same strict bounds as unscaled.
    const PixelPoint p = WindowToRaster(Frame(), x + 0.5, DeviceHeight() - y - 0.5);
    return ClickRasterPixel(p.x + kImageOriginX, p.y + kImageOriginY, m_scene.Raster());
}

void CTesmoraView::OnLButtonDown(int x, int y) {
    if (!m_scene.HasDataSet()) return;
    const std::optional<PixelPoint> pixel = ClickPixelAt(x, y);
    if (!pixel) return;
    m_scene.AddClickStreamline(pixel->x, pixel->y);
    // A widget cannot draw outside its paint: the streamline goes into the very next paint,
    // over the scene's picture, and no later paint draws it again.
    m_bClickPending = true;
    Repaint();
}

void CTesmoraView::mousePressEvent(QMouseEvent* event) {
    const bool pan = event->button() == Qt::MiddleButton ||
                     (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier));
    if (pan && m_bFillView && m_scene.HasDataSet()) {
        m_bPanning = true;
        m_panFrom = ToDevice(event->position());
        m_panWindow = ShownWindow();
    } else if (event->button() == Qt::LeftButton) {
        const QPoint device = ToDevice(event->position());
        OnLButtonDown(device.x(), device.y());
    }
    QOpenGLWidget::mousePressEvent(event);
}

std::optional<PixelPoint> CTesmoraView::RasterPixelAt(int x, int y) const {
    // Device row y from the top is row height - 1 - y from the bottom; its centre half a
    // pixel higher.
    const PixelPoint p = WindowToRaster(Frame(), x + 0.5, DeviceHeight() - 1 - y + 0.5);
    if (!m_scene.IsInPicture(p.x, p.y)) return std::nullopt;
    return p;
}

void CTesmoraView::ShowReadoutAt(QPoint device) {
    const std::optional<PixelPoint> pixel = RasterPixelAt(device.x(), device.y());
    const std::optional<PointerSample> sample =
        pixel ? SampleAtPixel(m_scene, pixel->x, pixel->y) : std::nullopt;
    if (!sample) {
        EndReadout();
        return;
    }
    m_bReadoutShown = true;
    emit pointerReadout(FormatReadout(*sample));
}

void CTesmoraView::EndReadout() {
    if (!m_bReadoutShown) return;
    m_bReadoutShown = false;
    emit pointerLeftPicture();
}

void CTesmoraView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint device = ToDevice(event->position());
    if (m_bPanning) PanBy(device.x() - m_panFrom.x(), device.y() - m_panFrom.y());
    ShowReadoutAt(device);
    QOpenGLWidget::mouseMoveEvent(event);
}

void CTesmoraView::mouseReleaseEvent(QMouseEvent* event) {
    if (m_bPanning && (event->button() == Qt::MiddleButton || event->button() == Qt::LeftButton)) {
        m_bPanning = false;
        RenewView();
    }
    QOpenGLWidget::mouseReleaseEvent(event);
}

void CTesmoraView::wheelEvent(QWheelEvent* event) {
    if (!m_bFillView || !m_scene.HasDataSet()) {
        QOpenGLWidget::wheelEvent(event);
        return;
    }
    // One notch (120 eighths of a degree) a fifth closer, or farther.
    const double notches = event->angleDelta().y() / 120.0;
    const QPoint device = ToDevice(event->position());
    ZoomAbout(device.x(), device.y(), std::pow(1.25, notches));
    event->accept();
}

void CTesmoraView::leaveEvent(QEvent* event) {
    EndReadout();
    QOpenGLWidget::leaveEvent(event);
}

std::vector<PixelPoint> CTesmoraView::ShownClicks() const {
    std::vector<PixelPoint> clicks;
    if (m_bClickShown && m_scene.HasDataSet() && m_scene.m_pClickStreamline) {
        const Streamline& s = *m_scene.m_pClickStreamline;
        if (s.GetCount()) clicks.push_back(s.GetPoint(std::min(s.SeedIndex(), s.GetCount() - 1)));
    }
    return clicks;
}

bool CTesmoraView::CapturePicture(VectorPicture* out, std::vector<PixelPoint>* clicks, std::string* error) {
    *clicks = ShownClicks();
    std::vector<Streamline> shown;
    if (m_bClickShown && m_scene.HasDataSet() && m_scene.m_pClickStreamline)
        shown.push_back(*m_scene.m_pClickStreamline);
    if (!context()) {
        *out = VectorPicture{};
        return true;
    }
    makeCurrent();
    const bool captured = CaptureScenePicture(m_scene, shown, out, error);
    doneCurrent();
    return captured;
}

QImage CTesmoraView::GrabPicture() {
    m_bKeepClick = true;
    const QImage frame = grabFramebuffer();
    m_bKeepClick = false;
    const RasterSize raster = m_scene.Raster();
    if (frame.isNull()) {
        // Without a context the view shows nothing at all.
        QImage black(raster.width, raster.height, QImage::Format_RGB888);
        black.fill(Qt::black);
        return black;
    }
    // Window row 70 from the bottom is image row height - 71 from the top.
    const PictureFrame at = Frame();
    const int width = static_cast<int>(std::lround(PictureWidth(LegendShown(), raster.width) * at.zoom));
    const int height = static_cast<int>(std::lround(raster.height * at.zoom));
    const int top = frame.height() - (at.originY + height);
    QImage picture = frame.copy(at.originX, top, width, height).convertToFormat(QImage::Format_RGB888);
    picture.setDevicePixelRatio(1.0);
    if (!m_scene.HasDataSet()) return picture;
    return FigureAroundView(picture, m_scene, at.zoom, LegendShown());
}
