#include "base/settings_table.h"

#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

#include "base/field_units.h"

namespace settings {

namespace {

constexpr Word kMethods[] = {{"euler", kMethodEuler}, {"rk2", kMethodRK2}, {"rk4", kMethodRK4}};
constexpr Word kBackgrounds[] = {{"speed", kBackgroundSpeed},         {"pressure", kBackgroundPressure},
                                 {"vorticity", kBackgroundVorticity}, {"none", kBackgroundNone},
                                 {"black", kBackgroundBlack},         {"white", kBackgroundWhite}};
constexpr Word kLineColours[] = {{"plain", kLinesPlain},
                                 {"speed", kLinesSpeed},
                                 {"pressure", kLinesPressure},
                                 {"vorticity", kLinesVorticity}};
constexpr Word kColourMaps[] = {{"ramp", kColourMapRamp},
                                {"viridis", kColourMapViridis},
                                {"cividis", kColourMapCividis},
                                {"coolwarm", kColourMapCoolwarm}};
constexpr Word kAspects[] = {{"stretch", kAspectStretch}, {"equal", kAspectEqual}};
constexpr Word kLanguages[] = {{"en", kLanguageEnglish}, {"de", kLanguageGerman}};
constexpr Word kRanges[] = {{"sequence", kRangeSequence}, {"frame", kRangeFrame}};
constexpr Word kPlacements[] = {{"standard", kPlacementStandard}, {"fine", kPlacementFine}};
// The first releases named the first choice of each of these "design"; pictures made then
// record it in their commands.
constexpr Word kFormerColourMaps[] = {{"design", kColourMapRamp}};
constexpr Word kFormerAspects[] = {{"design", kAspectStretch}};
constexpr Word kFormerPlacements[] = {{"design", kPlacementStandard}};

// The number types of the fields, as the table's doubles carry them exactly.
template <typename T>
T As(double v) {
    return static_cast<T>(v);
}

constexpr const char* kSizeSamples[] = {"350x560", "64x48", "40x300", "auto:100"};
constexpr const char* kWindowSamples[] = {"all", "-1e+30,1e+30,-1e+30,1e+30", "0,1,0,1", "-3,-2,5,7"};

constexpr const char* kTitleSamples[] = {"", "Flow past a cylinder"};
constexpr const char* kUnitsSamples[] = {"", "x=mm,u=m/s", "x=m,y=m,u=m/s,p=Pa,w=1/s"};

constexpr const char* kResampleSamples[] = {"auto", "400x300", "2x2048"};

bool WholeSide(std::string_view text, std::int32_t& side) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), side);
    return ec == std::errc() && end == text.data() + text.size() && side >= kResampleSideMin &&
           side <= kResampleSideMax;
}

bool ReadResample(DrawSettings& s, std::string_view text, std::string& why) {
    if (text == "auto") {
        s.resample = {};
        return true;
    }
    const auto x = text.find('x');
    ResampleSize size;
    if (x == std::string_view::npos || !WholeSide(text.substr(0, x), size.ni) ||
        !WholeSide(text.substr(x + 1), size.nj)) {
        why = "takes NIxNJ, each a whole number of nodes from " + std::to_string(kResampleSideMin) + " to " +
              std::to_string(kResampleSideMax) + ", or auto";
        return false;
    }
    s.resample = size;
    return true;
}

std::string ResampleText(const DrawSettings& s) {
    if (!s.resample.IsSet()) return "auto";
    return std::to_string(s.resample.ni) + "x" + std::to_string(s.resample.nj);
}

bool ReadTitle(DrawSettings& s, std::string_view text, std::string& why) {
    if (text.size() > kTitleBytesMax) {
        why = "takes at most " + std::to_string(kTitleBytesMax) + " bytes";
        return false;
    }
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            why = "takes one line of text without control characters";
            return false;
        }
    s.title = std::string(text);
    return true;
}

constexpr Row kRows[] = {
    {.name = "background",
     .kind = Kind::Choice,
     .valueName = "FIELD",
     .choices = kBackgrounds,
     .help = "Background field: {choices}; none, black and white show no field, for lines coloured by one "
             "(none leaves an SVG's or a PDF's picture bare, black in a PNG) (default {default}).",
     .get = [](const DrawSettings& s) { return static_cast<double>(s.background); },
     .set = [](DrawSettings& s, double v) { s.background = As<std::int32_t>(v); }},
    {.name = "method",
     .kind = Kind::Choice,
     .valueName = "METHOD",
     .choices = kMethods,
     .help = "Integration method: {choices} (default {default}).",
     .get = [](const DrawSettings& s) { return static_cast<double>(s.method); },
     .set = [](DrawSettings& s, double v) { s.method = As<std::int32_t>(v); }},
    {.name = "dsep",
     .kind = Kind::Whole,
     .valueName = "N",
     .lo = kDSepMin,
     .hi = kDSepMax,
     .what = "a whole number of pixels",
     .help = "Separating distance in pixels, {range} (default {default}).",
     .get = [](const DrawSettings& s) { return static_cast<double>(s.dsep); },
     .set = [](DrawSettings& s, double v) { s.dsep = As<int>(v); }},
    {.name = "dtest-percent",
     .kind = Kind::Whole,
     .valueName = "P",
     .lo = kDTestPercentMin,
     .hi = kDTestPercentMax,
     .what = "a whole percentage",
     .help = "Test distance as a percentage of the separating distance, {range} (default {default}).",
     .get = [](const DrawSettings& s) { return static_cast<double>(s.dtestPercent); },
     .set = [](DrawSettings& s, double v) { s.dtestPercent = As<int>(v); }},
    {.name = "step-px",
     .kind = Kind::Length,
     .valueName = "L",
     .lo = kStepPixelsMin,
     .hi = kStepPixelsMax,
     .what = "a length in pixels",
     .help = "Integrate in steps of L raster pixels along the flow, {range}, with every method, whatever the "
             "data's units (default: a time step of 0.1 in the data's own units).",
     .get = [](const DrawSettings& s) { return static_cast<double>(s.stepPixels); },
     .set = [](DrawSettings& s, double v) { s.stepPixels = As<float>(v); }},
    {.name = "colormap",
     .kind = Kind::Choice,
     .valueName = "NAME",
     .choices = kColourMaps,
     .aliases = kFormerColourMaps,
     .help = "Colour map: {choices} (default {default}).",
     .get = [](const DrawSettings& s) { return static_cast<double>(s.colourMap); },
     .set = [](DrawSettings& s, double v) { s.colourMap = As<std::int32_t>(v); }},
    {.name = "aspect",
     .kind = Kind::Choice,
     .valueName = "MODE",
     .choices = kAspects,
     .aliases = kFormerAspects,
     .help = "Proportions: each axis stretched to the picture, or one scale for both: {choices} (default "
             "{default}).",
     .get = [](const DrawSettings& s) { return static_cast<double>(s.aspect); },
     .set = [](DrawSettings& s, double v) { s.aspect = As<std::int32_t>(v); }},
    {.name = "placement",
     .kind = Kind::Choice,
     .valueName = "NAME",
     .choices = kPlacements,
     .aliases = kFormerPlacements,
     .help =
         "Streamline placement: {choices}; fine seeds beside every point and then the pixel farthest from "
         "all lines until none is more than the separating distance away, closes loops at their seed, drops "
         "lines shorter than the separating distance and ignores --seed (default {default}).",
     // Every value but the fine placement places as the standard one, and is named so.
     .get =
         [](const DrawSettings& s) {
             return static_cast<double>(s.placement == kPlacementFine ? kPlacementFine : kPlacementStandard);
         },
     .set = [](DrawSettings& s, double v) { s.placement = As<std::int32_t>(v); }},
    {.name = "size",
     .kind = Kind::Text,
     .valueName = "SIZE",
     .help = "The picture's size: WxH pixels, each side 32..8192, or auto for the proportions of the data "
             "shown with the longer side 560 pixels, auto:N with N pixels (default {default}).",
     .get = [](const DrawSettings& s) { return s.size == PictureSize{} ? 0.0 : 1.0; },
     .set = [](DrawSettings&, double) {},
     .text = [](const DrawSettings& s) { return PictureSizeText(s.size); },
     .read =
         [](DrawSettings& s, std::string_view text, std::string& why) {
             const std::optional<PictureSize> size = ParsePictureSize(text, why);
             if (size) s.size = *size;
             return size.has_value();
         },
     .samples = kSizeSamples},
    {.name = "window",
     .kind = Kind::Text,
     .valueName = "X0,X1,Y0,Y1",
     .help = "Show only this part of the data, in its own coordinates (a zoom), or all of it; outside the "
             "data the picture is black and has no streamlines (default {default}).",
     .get = [](const DrawSettings& s) { return s.window.IsSet() ? 1.0 : 0.0; },
     .set = [](DrawSettings&, double) {},
     .text = [](const DrawSettings& s) { return WorldWindowText(s.window); },
     .read =
         [](DrawSettings& s, std::string_view text, std::string& why) {
             const std::optional<WorldWindow> window = ParseWorldWindow(text, why);
             if (window) s.window = *window;
             return window.has_value();
         },
     .samples = kWindowSamples},
    {.name = "legend",
     .kind = Kind::Switch,
     .help = "Draw the colour legend, with the values at its ends and ticks, right of the picture, which "
             "grows by the legend's width.",
     .get = [](const DrawSettings& s) { return s.legend ? 1.0 : 0.0; },
     .set = [](DrawSettings& s, double v) { s.legend = v != 0.0; }},
    {.name = "hedgehog",
     .kind = Kind::Switch,
     .help = "Draw arrows instead of streamlines.",
     .get = [](const DrawSettings& s) { return s.hedgehog ? 1.0 : 0.0; },
     .set = [](DrawSettings& s, double v) { s.hedgehog = v != 0.0; }},
    {.name = "arrows-by-speed",
     .kind = Kind::Switch,
     .help = "Arrow length follows the speed; with --step-px the fastest arrow is 15 pixels long.",
     .get = [](const DrawSettings& s) { return s.arrowsBySpeed ? 1.0 : 0.0; },
     .set = [](DrawSettings& s, double v) { s.arrowsBySpeed = v != 0.0; }},
    {.name = "axes",
     .kind = Kind::Switch,
     .help = "Draw a frame around the picture with ticks at round values of the data's coordinates, their "
             "labels and the axes' titles; the picture grows by the room they need.",
     .get = [](const DrawSettings& s) { return s.axes ? 1.0 : 0.0; },
     .set = [](DrawSettings& s, double v) { s.axes = v != 0.0; },
     .figure = true},
    {.name = "title",
     .kind = Kind::Text,
     .valueName = "TEXT",
     .help = "A title line above the picture, at most 200 bytes (default none).",
     .get = [](const DrawSettings& s) { return s.title.empty() ? 0.0 : 1.0; },
     .set = [](DrawSettings&, double) {},
     .text = [](const DrawSettings& s) { return s.title; },
     .read = ReadTitle,
     .samples = kTitleSamples,
     .figure = true},
    {.name = "line-arrows",
     .kind = Kind::Switch,
     .help = "Arrow heads along every streamline, pointing downstream: about one every four separating "
             "distances of its length, and one on a line longer than two.",
     .get = [](const DrawSettings& s) { return s.lineArrows ? 1.0 : 0.0; },
     .set = [](DrawSettings& s, double v) { s.lineArrows = v != 0.0; },
     .figure = true},
    {.name = "arrow-heads",
     .kind = Kind::Switch,
     .help = "Heads on the arrows of --hedgehog.",
     .get = [](const DrawSettings& s) { return s.arrowHeads ? 1.0 : 0.0; },
     .set = [](DrawSettings& s, double v) { s.arrowHeads = v != 0.0; },
     .figure = true},
    {.name = "smooth",
     .kind = Kind::Switch,
     .help = "Anti-aliased streamlines and arrows in the PNG (SVG and PDF draw them exactly anyway).",
     .get = [](const DrawSettings& s) { return s.smooth ? 1.0 : 0.0; },
     .set = [](DrawSettings& s, double v) { s.smooth = v != 0.0; },
     .figure = true},
    {.name = "line-width",
     .kind = Kind::Length,
     .valueName = "W",
     .lo = kLineWidthMin,
     .hi = kLineWidthMax,
     .what = "a width in pixels",
     .help = "Streamlines and arrows W picture pixels wide, {range} (default: one pixel).",
     .get = [](const DrawSettings& s) { return static_cast<double>(s.lineWidth); },
     .set = [](DrawSettings& s, double v) { s.lineWidth = As<float>(v); },
     .figure = true},
    {.name = "line-colour",
     .kind = Kind::Choice,
     .valueName = "FIELD",
     .choices = kLineColours,
     .help = "Streamlines coloured by a field through the colour map, each segment by the field where it "
             "lies, the legend then the lines': {choices} (default {default}: the map's one line colour).",
     .get = [](const DrawSettings& s) { return static_cast<double>(LineField(s.lineColour) + 1); },
     .set = [](DrawSettings& s, double v) { s.lineColour = As<std::int32_t>(v); },
     .figure = true},
    {.name = "lang",
     .kind = Kind::Choice,
     .valueName = "LANG",
     .choices = kLanguages,
     .help = "Language of the picture's texts, the legend's and the axes' titles, and of its numbers: "
             "{choices}, English with a decimal point, German with a decimal comma (default {default}).",
     // Every value but German writes English, and is named so.
     .get =
         [](const DrawSettings& s) {
             return static_cast<double>(s.language == kLanguageGerman ? kLanguageGerman : kLanguageEnglish);
         },
     .set = [](DrawSettings& s, double v) { s.language = As<std::int32_t>(v); },
     .figure = true},
    {.name = "plane",
     .kind = Kind::Whole,
     .valueName = "K",
     .lo = 0,
     .hi = kPlaneMax,
     .what = "a whole number",
     .help = "The plane k of a 3-D file to show, {range}; a plane other than 0 is read alone, 0 shows the "
             "first plane and keeps every plane (default {default}).",
     .get = [](const DrawSettings& s) { return static_cast<double>(s.plane); },
     .set = [](DrawSettings& s, double v) { s.plane = As<std::int32_t>(v); },
     .reading = true},
    {.name = "resample",
     .kind = Kind::Text,
     .valueName = "NIxNJ",
     .lo = kResampleSideMin,
     .hi = kResampleSideMax,
     .help =
         "The lattice a mesh (an unstructured or curvilinear VTK grid, a Tecplot finite-element zone) is "
         "sampled onto as it is read: NI by NJ nodes, each {range}, or auto for about as many nodes as the "
         "mesh has points, spaced alike along both axes, at most 2048 a side (default {default}).",
     .get = [](const DrawSettings& s) { return s.resample.IsSet() ? 1.0 : 0.0; },
     .set = [](DrawSettings&, double) {},
     .text = ResampleText,
     .read = ReadResample,
     .samples = kResampleSamples,
     .reading = true},
    {.name = "units",
     .kind = Kind::Text,
     .valueName = "ROLE=UNIT,...",
     .help = "Units of the axes' and the legend's titles, over those the file names (a .gri pair names "
             "none): x, y, u, v, p or w and its unit, separated by commas, e.g. x=mm,u=m/s; y takes x's "
             "unit and speed u's (default: the file's).",
     .get = [](const DrawSettings& s) { return s.units.empty() ? 0.0 : 1.0; },
     .set = [](DrawSettings&, double) {},
     .text = [](const DrawSettings& s) { return s.units; },
     .read =
         [](DrawSettings& s, std::string_view text, std::string& why) {
             if (!UnitsReadable(text, why)) return false;
             s.units = std::string(text);
             return true;
         },
     .samples = kUnitsSamples,
     .figure = true},
    {.name = "range",
     .kind = Kind::Choice,
     .valueName = "SPAN",
     .choices = kRanges,
     .help =
         "What the colour map and the legend of a series span: the values of all its frames, so that a "
         "colour means one value throughout, or each frame's own: {choices} (default {default}). A single "
         "data set spans its own values either way.",
     .get =
         [](const DrawSettings& s) {
             return static_cast<double>(s.range == kRangeFrame ? kRangeFrame : kRangeSequence);
         },
     .set = [](DrawSettings& s, double v) { s.range = As<std::int32_t>(v); },
     .series = true},
    {.name = "coherent",
     .kind = Kind::Switch,
     .help = "Streamlines that stay from frame to frame of a series: each frame's placement first traces "
             "from the seeds of the frame before it, where the flow still moves, keeping each line that "
             "keeps its distances (a seed a little too close to a line moves along its own), and then "
             "fills the rest as usual (default: every frame placed anew).",
     .get = [](const DrawSettings& s) { return s.coherent ? 1.0 : 0.0; },
     .set = [](DrawSettings& s, double v) { s.coherent = v != 0.0; },
     .series = true},
};

// The shortest text that reads back as the same value of the field's type.
std::string Shortest(double v, bool asFloat) {
    char text[32];
    const auto written = asFloat ? std::to_chars(text, text + sizeof text, static_cast<float>(v))
                                 : std::to_chars(text, text + sizeof text, v);
    return std::string(text, written.ptr);
}

void Replace(std::string& text, std::string_view placeholder, const std::string& by) {
    const auto at = text.find(placeholder);
    if (at != std::string::npos) text.replace(at, placeholder.size(), by);
}

// TEXT as one word a shell reads back: as it is when it holds only plain characters, in single
// quotes otherwise.
std::string ShellQuoted(const std::string& text) {
    const bool plain = !text.empty() && text.find_first_not_of(
                                            "abcdefghijklmnopqrstuvwxyz"
                                            "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                            "0123456789_-+=./,:@%") == std::string::npos;
    if (plain) return text;
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

const char* WordIn(std::span<const Word> words, int value) {
    for (const Word& w : words)
        if (w.value == value) return w.word;
    return "unknown";
}

}  // namespace

std::span<const Row> Table() {
    return kRows;
}

const Row* Find(std::string_view name) {
    for (const Row& row : kRows)
        if (name == row.name) return &row;
    return nullptr;
}

std::string ChoiceList(std::span<const Word> words) {
    std::string list;
    for (const Word& w : words) list += (list.empty() ? "" : "|") + std::string(w.word);
    return list;
}

std::string ChoiceList(const Row& row) {
    return ChoiceList(row.choices);
}

const char* WordOf(const Row& row, int value) {
    return WordIn(row.choices, value);
}

bool ValueOf(std::span<const Word> choices, std::span<const Word> aliases, std::string_view word,
             int& value) {
    for (const std::span<const Word> words : {choices, aliases})
        for (const Word& w : words)
            if (word == w.word) {
                value = w.value;
                return true;
            }
    return false;
}

std::string HelpText(const Row& row) {
    std::string text = row.help;
    Replace(text, "{choices}", ChoiceList(row));
    Replace(text, "{range}", Shortest(row.lo, false) + ".." + Shortest(row.hi, false));
    Replace(text, "{default}", ValueText(row, DrawSettings{}));
    return text;
}

std::string ValueText(const Row& row, const DrawSettings& s) {
    const double v = row.get(s);
    switch (row.kind) {
        case Kind::Choice:
            return WordOf(row, static_cast<int>(v));
        case Kind::Whole:
            return std::to_string(static_cast<long long>(v));
        case Kind::Length:
            return Shortest(v, true);
        case Kind::Switch:
            return v != 0.0 ? "true" : "false";
        case Kind::Text:
            return row.text(s);
    }
    return {};
}

bool AtDefault(const Row& row, const DrawSettings& s) {
    return row.kind == Kind::Text ? row.get(s) == 0.0 : row.get(s) == row.get(DrawSettings{});
}

std::vector<std::pair<std::string, std::string>> Words(const DrawSettings& s) {
    std::vector<std::pair<std::string, std::string>> words;
    for (const Row& row : kRows)
        if (!ListedOnlyWhenSet(row) || !AtDefault(row, s)) words.emplace_back(row.name, ValueText(row, s));
    return words;
}

std::string Options(const DrawSettings& s) {
    std::string options;
    for (const Row& row : kRows) {
        const double v = row.get(s);
        // A length of 0, a switch that is off and a text value at its default are the option
        // left out.
        const bool leftOut = row.kind == Kind::Length                             ? !(v > 0.0)
                             : row.kind == Kind::Switch || row.kind == Kind::Text ? v == 0.0
                                                                                  : false;
        if (leftOut || (ListedOnlyWhenSet(row) && AtDefault(row, s))) continue;
        options += (options.empty() ? "--" : " --") + std::string(row.name);
        if (row.kind == Kind::Text)
            options += " " + ShellQuoted(ValueText(row, s));
        else if (row.kind != Kind::Switch)
            options += " " + ValueText(row, s);
    }
    return options;
}

const char* MethodWord(int method) {
    return WordIn(kMethods, method);
}
const char* BackgroundWord(int background) {
    return WordIn(kBackgrounds, background);
}
const char* ColourMapWord(int map) {
    return WordIn(kColourMaps, map);
}
const char* AspectWord(int aspect) {
    return WordIn(kAspects, aspect);
}
const char* PlacementWord(int placement) {
    return WordIn(kPlacements, placement == kPlacementFine ? kPlacementFine : kPlacementStandard);
}

}  // namespace settings
