#include "output/picture_format.h"

#include <cctype>

namespace {

constexpr PictureFormat kFormats[] = {PictureFormat::Png, PictureFormat::Svg, PictureFormat::Pdf};

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

const char* FormatExtension(PictureFormat format) {
    switch (format) {
        case PictureFormat::Svg:
            return "svg";
        case PictureFormat::Pdf:
            return "pdf";
        case PictureFormat::Png:
            break;
    }
    return "png";
}

std::optional<PictureFormat> FormatNamed(const std::string& name) {
    const std::string lower = Lower(name);
    for (PictureFormat format : kFormats)
        if (lower == FormatExtension(format)) return format;
    return std::nullopt;
}

std::optional<PictureFormat> FormatOfPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    // The dot must be in the file's own name and not start it (".png" is a name, not a type).
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) ||
        dot == (slash == std::string::npos ? 0 : slash + 1))
        return std::nullopt;
    return FormatNamed(path.substr(dot + 1));
}

std::string FormatList() {
    return "png, svg or pdf";
}
