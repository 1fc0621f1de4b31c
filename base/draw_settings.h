#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "base/picture_view.h"

// The integration method and the background field are stored as plain integers; these are
// the one place that names their values.
enum IntegrationMethod : std::int32_t {
    kMethodEuler = 0,
    kMethodRK2 = 1,  // second-order Runge-Kutta, the midpoint method
    kMethodRK4 = 2,  // classical fourth-order Runge-Kutta
};
enum BackgroundField : std::int32_t {
    kBackgroundSpeed = 0,      // green
    kBackgroundPressure = 1,   // red
    kBackgroundVorticity = 2,  // grey; any other value but the three below is drawn as this one
    // No field behind the lines, for lines coloured by one: none leaves a vector file's page
    // bare (black in a PNG, which has no transparency), black and white fill it.
    kBackgroundNone = 3,
    kBackgroundBlack = 4,
    kBackgroundWhite = 5,
};
// Whether BACKGROUND shows a field rather than a plain page.
constexpr bool ShowsField(std::int32_t background) {
    return background < kBackgroundNone || background > kBackgroundWhite;
}
// What colours the streamlines: the map's line colour, or a field through the colour map.
// A field's value is its BackgroundField value plus one.
enum LineColour : std::int32_t {
    kLinesPlain = 0,
    kLinesSpeed = 1,
    kLinesPressure = 2,
    kLinesVorticity = 3,
};
// The field that colours lines of LINES; -1 for plain lines.
constexpr std::int32_t LineField(std::int32_t lines) {
    return lines >= kLinesSpeed && lines <= kLinesVorticity ? lines - 1 : -1;
}
// How field values become colours. The first keeps the green, red and grey ramps from 0 to the
// field's largest value (pressure and vorticity shifted by their smallest); the sequential maps
// span the field's range in its own values; the diverging one a range symmetric about zero.
enum ColourMapChoice : std::int32_t {
    kColourMapRamp = 0,
    kColourMapViridis = 1,
    kColourMapCividis = 2,
    kColourMapCoolwarm = 3,  // diverging, blue below zero, red above
};
// How the grid's extent fills the 350 x 560 raster: each axis stretched to the raster on its
// own, or one scale for both with the data centred and black around it.
enum AspectChoice : std::int32_t {
    kAspectStretch = 0,
    kAspectEqual = 1,
};
// How seeds are found and when a streamline ends. The standard placement seeds from a random
// first point and the d_sep offsets of each streamline's segments; the fine placement seeds
// beside every point and then the farthest pixel from all lines, closes loops and drops short
// lines. Any value other than kPlacementFine places as kPlacementStandard.
enum PlacementMethod : std::int32_t {
    kPlacementStandard = 0,
    kPlacementFine = 1,
};

// What the colour maps of a series span: the values of all its frames, or each frame's own.
enum RangeChoice : std::int32_t {
    kRangeSequence = 0,
    kRangeFrame = 1,
};

// The language of a picture's texts (the legend's and the axes' titles) and of its numbers: a
// decimal point in English, a decimal comma in German.
enum PictureLanguage : std::int32_t {
    kLanguageEnglish = 0,
    kLanguageGerman = 1,
};

// The nodes of the lattice a file's mesh (a grid that is no rectilinear lattice) is sampled onto
// as it is read, NI along x and NJ along y; 0 by 0 for the reader's own, about as many nodes as
// the mesh has points.
struct ResampleSize {
    std::int32_t ni = 0;
    std::int32_t nj = 0;

    bool IsSet() const { return ni > 0 && nj > 0; }
    friend bool operator==(const ResampleSize&, const ResampleSize&) = default;
};

// The settings chosen beside the control bar's (in menus, or as command-line options). The
// scene keeps them as one value, so that a new one is a field here, a row of the settings
// table and what it does.
struct DrawModes {
    // Length of one integration step in raster pixels along the flow; 0 keeps the fixed time
    // step kTimeStep in the data's own units.
    float stepPixels = 0.0f;
    std::int32_t colourMap = kColourMapRamp;
    std::int32_t aspect = kAspectStretch;
    bool legend = false;  // a colour bar with values right of the picture
    std::int32_t placement = kPlacementStandard;
    PictureSize size;    // the picture's pixels
    WorldWindow window;  // the part of the data shown; the whole data by default
    // What dresses the picture as a figure, none of it by default: a frame with ticks and
    // labels in the data's coordinates around the picture, and a title line above it.
    bool axes = false;
    std::string title;
    // Heads that show which way the flow goes: along the streamlines, and on the arrows.
    bool lineArrows = false;
    bool arrowHeads = false;
    // Streamlines and arrows anti-aliased, and their width in picture pixels; 0 keeps the
    // one-pixel lines.
    bool smooth = false;
    float lineWidth = 0.0f;
    std::int32_t lineColour = kLinesPlain;
    // The command-line tools write English; the viewer starts in German.
    std::int32_t language = kLanguageEnglish;
    // The plane of a 3-D file shown: a plane other than 0 is taken alone when the file is read;
    // 0 leaves the file whole, its plane 0 shown.
    std::int32_t plane = 0;
    // The lattice a mesh is sampled onto when its file is read; 0 by 0 leaves it to the reader.
    ResampleSize resample;
    // Units the user names for the picture's texts, over the file's own: "x=mm,u=m/s"
    // (base/field_units.h); empty for the file's alone.
    std::string units;
    // A series' colour scale; a single data set has its own whatever this says.
    std::int32_t range = kRangeSequence;
    // Each frame of a series placed from the seeds of the lines of the frame shown before it,
    // so that streamlines stay where the flow lets them instead of being placed anew; a single
    // data set is placed as always.
    bool coherent = false;

    friend bool operator==(const DrawModes&, const DrawModes&) = default;
};

// Every setting a picture is made with, as one value: the control bar's, and the modes that
// can be chosen beside them. The defaults are those of a freshly started viewer; they are
// written here only, and the scene starts from them.
struct DrawSettings : DrawModes {
    int dsep = 10;          // separating distance in pixels
    int dtestPercent = 50;  // test distance as a percentage of dsep
    std::int32_t method = kMethodRK2;
    std::int32_t background = kBackgroundSpeed;
    bool hedgehog = false;       // arrows instead of streamlines
    bool arrowsBySpeed = false;  // arrow length follows the speed

    friend bool operator==(const DrawSettings&, const DrawSettings&) = default;
};

// A freshly started viewer shows the colour legend, and speaks German; the command line asks
// for the legend and writes English unless told otherwise.
inline DrawSettings ViewerStartSettings() {
    DrawSettings s;
    s.legend = true;
    s.language = kLanguageGerman;
    return s;
}

// The control bar's ranges of the two distances.
inline constexpr int kDSepMin = 5;
inline constexpr int kDSepMax = 20;
inline constexpr int kDTestPercentMin = 10;
inline constexpr int kDTestPercentMax = 90;

// The fixed time step, in the time unit of the solution's velocities, while stepPixels is 0.
inline constexpr float kTimeStep = 0.1f;
// The range of a step in pixels, and the length it gets when switched on without one.
inline constexpr float kStepPixelsMin = 0.25f;
inline constexpr float kStepPixelsMax = 5.0f;
inline constexpr float kStepPixelsOn = 1.0f;
// The planes a 3-D file may have, counted from 0.
inline constexpr int kPlaneMax = 32766;
// The sides --resample takes, in nodes: a lattice needs two along each axis, and its longest
// side is that of the readers' own sampling.
inline constexpr int kResampleSideMin = 2;
inline constexpr int kResampleSideMax = 2048;
// The range of a line's width in picture pixels.
inline constexpr float kLineWidthMin = 0.5f;
inline constexpr float kLineWidthMax = 5.0f;
// The longest title a picture takes, in bytes.
inline constexpr std::size_t kTitleBytesMax = 200;

// d_test as the percentage's spin button computes it: d_sep * percent * 0.01, all in float.
constexpr float TestDistance(int dsep, float percent) {
    return static_cast<float>(dsep) * percent * 0.01f;
}
