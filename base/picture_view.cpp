#include "base/picture_view.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace {

bool WholeNumber(std::string_view text, int& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

bool RealNumber(std::string_view text, double& value) {
    // from_chars takes no leading '+' and no blanks: neither does a number of the window.
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

bool SideFits(int side) {
    return side >= kPictureSideMin && side <= kPictureSideMax;
}

std::string Shortest(double v) {
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, v);
    return std::string(text, written.ptr);
}

const std::string kSides = std::to_string(kPictureSideMin) + " to " + std::to_string(kPictureSideMax);

}  // namespace

std::optional<PictureSize> ParsePictureSize(std::string_view text, std::string& why) {
    PictureSize size;
    if (text == "auto") {
        size.autoLongSide = PictureSize::kAutoDefault;
        return size;
    }
    if (text.starts_with("auto:")) {
        if (!WholeNumber(text.substr(5), size.autoLongSide) || !SideFits(size.autoLongSide)) {
            why = "auto:N takes a longer side N of " + kSides + " pixels";
            return std::nullopt;
        }
        return size;
    }
    const auto x = text.find('x');
    if (x == std::string_view::npos || !WholeNumber(text.substr(0, x), size.width) ||
        !WholeNumber(text.substr(x + 1), size.height)) {
        why = "takes WxH, auto or auto:N";
        return std::nullopt;
    }
    if (!SideFits(size.width) || !SideFits(size.height)) {
        why = "takes sides of " + kSides + " pixels";
        return std::nullopt;
    }
    return size;
}

std::string PictureSizeText(const PictureSize& size) {
    if (size.IsAuto())
        return size.autoLongSide == PictureSize::kAutoDefault ? "auto"
                                                              : "auto:" + std::to_string(size.autoLongSide);
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

PictureSize ResolvedSize(const PictureSize& size, double extentX, double extentY) {
    if (!size.IsAuto()) return size;
    PictureSize resolved;
    const int longSide = std::clamp(size.autoLongSide, kPictureSideMin, kPictureSideMax);
    if (!(extentX > 0.0 && extentY > 0.0 && std::isfinite(extentX / extentY))) {
        resolved.width = resolved.height = longSide;
        return resolved;
    }
    // The pixel spans (side - 1) keep the proportion, so that equal scales leave no band.
    const auto shorter = [longSide](double ratio) {
        const double side = 1.0 + std::round((longSide - 1) * ratio);
        return static_cast<int>(std::clamp(side, double{kPictureSideMin}, double{kPictureSideMax}));
    };
    if (extentX >= extentY) {
        resolved.width = longSide;
        resolved.height = shorter(extentY / extentX);
    } else {
        resolved.height = longSide;
        resolved.width = shorter(extentX / extentY);
    }
    return resolved;
}

std::optional<WorldWindow> ParseWorldWindow(std::string_view text, std::string& why) {
    if (text == "all") return WorldWindow{};
    double v[4] = {};
    std::size_t start = 0;
    for (int k = 0; k < 4; ++k) {
        const std::size_t comma = k < 3 ? text.find(',', start) : text.size();
        if (comma == std::string_view::npos || !RealNumber(text.substr(start, comma - start), v[k])) {
            why = "takes X0,X1,Y0,Y1, four numbers in the data's coordinates, or all";
            return std::nullopt;
        }
        start = comma + 1;
    }
    const WorldWindow window{v[0], v[1], v[2], v[3]};
    if (!window.IsSet() || !std::isfinite(window.Width()) || !std::isfinite(window.Height())) {
        why = "needs X0 < X1 and Y0 < Y1";
        return std::nullopt;
    }
    return window;
}

std::string WorldWindowText(const WorldWindow& window) {
    if (!window.IsSet()) return "all";
    return Shortest(window.x0) + "," + Shortest(window.x1) + "," + Shortest(window.y0) + "," +
           Shortest(window.y1);
}
