#pragma once

#include <optional>

#include "base/pixel_point.h"
#include "render/picture_frame.h"

class FlowScene;
class LegendTextPainter;
class Streamline;

// The smallest client area that shows the whole picture: up to its top-right corner.
inline constexpr int kMinViewWidth = 700;
inline constexpr int kMinViewHeight = 630;

// The view's coordinate system: one unit per pixel of a cx x cy client area, origin at the
// bottom-left corner, y upwards. A size of zero or less leaves viewport and projection as they
// were (a minimised window reports one). Returns whether anything was set.
bool SetViewProjection(int cx, int cy);

// The picture in FRAME: the scene as DrawScene draws it and, when the scene's legend setting is
// on and TEXT is given, its legend to the right. Every front end paints through this; frame
// and zoom stay in force for what the caller draws afterwards, such as a click streamline.
void DrawPicture(const FlowScene& scene, const PictureFrame& frame, const LegendTextPainter* text);

// One complete paint of the scene: clear colour and depth, DrawScene, glFinish. The caller
// presents the frame (a buffer swap, or a read-back offscreen). The viewer renews its control
// texts between DrawScene and the swap; nothing in the picture depends on that order.
void PaintFrame(const FlowScene& scene);
// The same in three steps, for a caller that must do its own work between them.
void BeginFrame();
void EndFrame();

// The raster pixel under window position (x, y), y counted from the bottom edge, when a left
// click there traces a streamline: strictly inside a picture of RASTER's size at the classic
// place, so x 351..699 and y 71..629 give raster pixels 1..349 and 1..559 of the classic one.
std::optional<PixelPoint> ClickRasterPixel(int x, int yFromBottom, RasterSize raster = {});

// A left click's whole drawing work: traces from raster pixel (x, y) with the scene's current
// method and draws the streamline over the current buffer, in the frame in use, without
// repainting first.
// Nothing happens without a data set. The caller presents the frame.
void TraceAndDrawClick(FlowScene& scene, int x, int y);
// A click streamline as TraceAndDrawClick draws it, for drawing one again.
void DrawClickStreamline(const FlowScene& scene, const Streamline& s);
