#pragma once

#include <optional>
#include <vector>

#include "base/pixel_point.h"
#include "render/overlay_colours.h"
#include "sampling/colour_tables.h"

class FlowScene;
class Streamline;

// The picture of a scene as OpenGL 1.1 immediate-mode commands, drawn into whatever context is
// current. The projection must make one unit one window pixel with the origin at the bottom
// left (SetViewProjection); raster pixel (x, y) then covers window (x + 350, y + 70) to
// (x + 351, y + 71).
// None of these changes the scene or allocates.

// Where in its pixel a line's point stands, from the pixel's lower-left corner: near the centre,
// so that OpenGL lights the pixel of every point whatever the slope, but not on it: Mesa decides
// a line's first and last pixels by comparing the point's place in its pixel with the centre,
// and exactly there the rounding of the context's own size tips it one way or the other, as it
// does for a line through the corner of a pixel's diamond, whose rule for ties depends on which
// way up the framebuffer is. Unequal offsets keep diagonals off those corners.
inline constexpr float kLineVertexX = 0.5f + 1.0f / 32.0f;
inline constexpr float kLineVertexY = 0.5f + 1.0f / 64.0f;

// Arrow scale that every paint passes to DrawHedgehog.
inline constexpr int kHedgehogScale = 10;

// The background image, then, when a data set is loaded, the arrows or the placed streamlines
// as m_bHedgehog says.
void DrawScene(const FlowScene& scene);
// Clears to black and draws the image at window (350, 70); nothing but the clear without data.
void DrawBackground(const FlowScene& scene);
// Every placed streamline in placement order, in the line colour of the image's map.
void DrawStreamlines(const FlowScene& scene);
// One GL_LINES pair per segment in COLOURS' line colour; fewer than two points draw nothing.
void DrawStreamline(const Streamline& s, const OverlayColours& colours = kClassicOverlay);
// The colour of the segment from raster pixel A to B of a line coloured by a field
// (m_modes.lineColour): the scene's LineScale's map at the mean of the field's raster values at
// A and B, or at the one of them in the picture; black, as a map shows no value, where neither is.
ColourEntry LineColourAt(const FlowScene& scene, PixelPoint a, PixelPoint b);
// S with each segment in its LineColourAt, one GL_LINES pair a segment.
void DrawColouredStreamline(const FlowScene& scene, const Streamline& s);
// The colours to draw over the scene's image with.
const OverlayColours& OverlayColoursOf(const FlowScene& scene);
// Arrows on a square lattice of spacing trunc(1.5 a), red at the lattice point and white at
// the tip; a is the arrow length in pixels (or pixels per unit of speed when scaled by speed).
void DrawHedgehog(const FlowScene& scene, int a);
// The tip of the arrow at lattice point (x, y) less its base, or none where the speed is
// 0.0001 or less. Constant arrows are a pixels long, arrows by speed a * speed, along (u, v)
// where the picture scales x and y alike and along (u m_fScaleX, v m_fScaleY) where it does
// not; under the pixel step, arrows by speed are a lattice spacing times speed / FASTEST.
std::optional<PixelPoint> ArrowOffset(const FlowScene& scene, int a, int x, int y, float fastest);
// The largest speed of a lattice point that draws an arrow; 0 without one.
float FastestArrowSpeed(const FlowScene& scene, int a);
// One line from raster pixel (x0, y0), red, to (x1, y1), white (or the base and tip colours
// given).
void DrawArrow(int x0, int y0, int x1, int y1, const OverlayColours& colours = kClassicOverlay);

// An arrow head: its point in raster pixels and the unit vector it points along.
struct ArrowHead {
    double x = 0.0, y = 0.0;
    double dx = 0.0, dy = 0.0;
};
// The heads along S, whose points run downstream: one for every four DSEP of its length, at
// least one on a line longer than two DSEP, none on a shorter one, spread evenly so that each
// stands in the middle of an equal share of the line. Each points along the chord of the line
// over a DSEP around it, which steadies the direction of a line of whole pixels.
std::vector<ArrowHead> LineArrowHeads(const Streamline& s, int dsep);
// HEAD as two lines of LENGTH pixels in COLOUR, opening backwards from its point at 25 degrees
// to either side.
void DrawArrowHead(const ArrowHead& head, double length, const OverlayColour& colour);
// The length of the heads along the streamlines of DSEP.
double LineArrowLength(int dsep);

// The heads of S in the scene's line colour, when m_modes.lineArrows asks for them.
void DrawLineArrows(const FlowScene& scene, const Streamline& s);

// The lattice points of DrawHedgehog and the rounding of one arrow component, shared with
// the tests that look for the arrows in a picture.
int HedgehogSpacing(int a);
// RoundHalfAway of f * c with the product rounded to float first; limited to the range that
// can reach the window at all (a NaN product gives 0), so it always fits an int.
int ArrowComponent(float f, float c);
