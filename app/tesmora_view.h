#pragma once

#include <QImage>
#include <QOpenGLWidget>
#include <QPoint>
#include <QTimer>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/view_figure.h"
#include "base/draw_settings.h"
#include "base/pixel_point.h"
#include "lettering/legend_text_painter.h"
#include "output/vector_file.h"
#include "render/picture_frame.h"

class FlowScene;
class CControlBar;

// The one view: an OpenGL surface that paints the scene with the picture's lower-left corner at
// (350, 70) from its bottom-left corner, or scaled to fill the view, traces a streamline from a
// left click inside the picture, and carries out what the control bar and the Ansicht menu
// ask for.
//
// All positions are in device pixels, for drawing and for the mouse alike, so that one unit is
// one pixel of the picture on every screen scale. Unscaled, the view never gets smaller than
// the picture (a scroll area around it scrolls instead).
class CTesmoraView : public QOpenGLWidget {
    Q_OBJECT
public:
    explicit CTesmoraView(FlowScene& scene, QWidget* parent = nullptr);
    // Whether a context of the view's format can be made at all on this display.
    static bool OpenGLAvailable();

    // Where ShowSettings renews the two boxes; none is allowed.
    void SetControlBar(CControlBar* bar) { m_pControlBar = bar; }
    void ShowSettings();

    // Control-bar handlers. The spin handlers take the delta the arrows report (up -1,
    // down +1) and return the notification's result code, always 0.
    int OnDeltaPosDSep(int iDelta);
    int OnDeltaPosDTestPercent(int iDelta);
    void OnBackgroundSpeed();
    void OnBackgroundPressure();
    void OnBackgroundVorticity();
    void OnMethodEuler();
    void OnMethodRK2();
    void OnMethodRK4();
    // The step: the time step, or half a pixel, one or two pixels along the flow.
    void OnStepTime();
    void OnStepHalfPixel();
    void OnStepOnePixel();
    void OnStepTwoPixels();
    void OnToggleFinePlacement();
    void OnModeStreamlines();
    void OnModeHedgehog();
    void OnToggleArrowsBySpeed();
    void OnDrawButton();
    // The status bar's button beside the time-step note: step "1 px", the fine placement, Draw.
    void OnApplyStepHint();
    // After a Draw or an open with the standard placement that placed fewer than a fifth of
    // the streamlines the fine placement would: the two counts; otherwise none. MeasureShortfall
    // finds it out for the streamlines placed now.
    struct PlacementShortfall {
        std::size_t placed = 0;
        std::size_t fine = 0;
    };
    std::optional<PlacementShortfall> Shortfall() const { return m_shortfall; }
    void MeasureShortfall();

    // Ansicht menu handlers: the legend and the scaling show at once, the colour map and the
    // proportions at the next Draw or open, as the background does.
    void OnToggleLegend();
    void OnColourMapDesign();
    void OnColourMapViridis();
    void OnColourMapCividis();
    void OnColourMapCoolwarm();
    void OnToggleEqualAspect();
    // The figure: axes in the data's coordinates around the picture, arrow heads along the
    // streamlines and on the hedgehog's arrows, smooth lines, and lines coloured by a field
    // (one of kLinesPlain ... kLinesVorticity).
    void OnToggleAxes();
    void OnToggleLineArrows();
    void OnToggleArrowHeads();
    void OnToggleSmooth();
    void OnLineColour(std::int32_t lines);
    void OnToggleFitWindow();
    bool FitsWindow() const { return m_bFitWindow; }
    // The picture made as large as the view, at the data's proportions; the mouse wheel zooms
    // and a drag with the middle button, or the left one with Shift, pans. OnWholeData shows the
    // whole data again.
    void OnToggleFillView();
    void OnWholeData();
    bool FillsView() const { return m_bFillView; }
    // Zooms by FACTOR (above 1 closer) about device position (x, y), and pans by a device
    // distance: what the wheel and a drag do.
    void ZoomAbout(int x, int y, double factor);
    void PanBy(int dx, int dy);
    // The settings as the scene holds them.
    DrawSettings Settings() const;

    // A left click at (x, y) in device pixels from the top-left corner.
    void OnLButtonDown(int x, int y);

    // The picture as the view shows it (black where the view does not reach), click
    // streamline included while it is on screen: 350 x 560 pixels, with the legend 130 more
    // columns, and scaled as on screen when the picture fills the window; with the axes in
    // their margins around it, as tesmora-render draws them.
    QImage GrabPicture();
    // Where the picture lies in the view now.
    PictureFrame Frame() const;
    // The same picture for a vector file: the lines its paint draws, captured from the
    // drawing itself, and the click streamline's seed pixel while it is on screen. False with
    // *ERROR set when the drawing cannot be captured.
    bool CapturePicture(VectorPicture* out, std::vector<PixelPoint>* clicks, std::string* error);
    // The seed pixel of the click streamline while it is on screen, as a picture's command
    // records it: none or one.
    std::vector<PixelPoint> ShownClicks() const;

    // The size that the projection was last set for, in device pixels.
    QSize DeviceSize() const { return {m_cx, m_cy}; }
    // Paints done so far, so that a test can tell whether a handler asked for one.
    int PaintCount() const { return m_nPaints; }
    // The raster pixel under a device position, for the status bar; none outside the picture.
    std::optional<PixelPoint> RasterPixelAt(int x, int y) const;
    // The raster pixel a left click at a device position traces from; none outside.
    std::optional<PixelPoint> ClickPixelAt(int x, int y) const;

signals:
    // The status-bar text for the point under the pointer, and the end of it.
    void pointerReadout(const QString& text);
    void pointerLeftPicture();
    // The Draw button has placed the streamlines anew.
    void sceneRedrawn();
    // The settings of the control bar were changed here rather than by its controls.
    void choicesChanged();
    // The picture is scaled to the window, or fills the view, or no longer does.
    void viewChoicesChanged();

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QPoint ToDevice(QPointF logical) const;
    int DeviceHeight() const;
    void Repaint() { update(); }
    // Reads the scene's settings, lets EDIT change them and stores them back.
    void ChangeSettings(void (*edit)(DrawSettings&));
    void ShowReadoutAt(QPoint device);
    void EndReadout();
    bool LegendShown() const;
    // Unscaled, at least the picture's size with the legend, in logical pixels.
    void UpdateMinimumSize();
    // The picture's pixels when it fills the view: the view's less the legend's panel.
    PictureSize FillSize() const;
    // Makes the scene's picture the one the view asks for now and draws it anew.
    void RenewView();
    // The part of the data the picture shows, in the data's own coordinates.
    WorldWindow ShownWindow() const;

    FlowScene& m_scene;
    CControlBar* m_pControlBar = nullptr;
    int m_cx = 0;
    int m_cy = 0;
    int m_nPaints = 0;
    // The click streamline is drawn by the first paint after the click only: it is not part
    // of the scene's picture, so every later paint leaves it out.
    bool m_bClickPending = false;
    bool m_bClickShown = false;  // drawn by the last paint
    bool m_bKeepClick = false;   // a grab for saving must show what is on screen
    bool m_bReadoutShown = false;
    bool m_bContextFailureReported = false;
    bool m_bFitWindow = false;
    bool m_bFillView = false;
    // A drag that pans: where it started, in device pixels, and the window shown then.
    bool m_bPanning = false;
    QPoint m_panFrom;
    WorldWindow m_panWindow;
    // Resizes and drags come faster than pictures are made: the last one asked for is made
    // once the events have settled.
    QTimer* m_pRenew = nullptr;
    QtLegendTextPainter m_legendText;
    CViewFigure m_figure;
    std::optional<PlacementShortfall> m_shortfall;
};
