#pragma once

#include <optional>
#include <string>

// The kinds of picture file, told by the output's extension.
enum class PictureFormat {
    Png,  // the framebuffer's pixels, as the viewer shows them
    Svg,  // lines and arrows as paths over the background image at its raster resolution
    Pdf,  // the same as one page
};

// The format an output path asks for by its extension, in any case; none for any other.
std::optional<PictureFormat> FormatOfPath(const std::string& path);
// The format named by its extension without the dot ("svg"); none for any other.
std::optional<PictureFormat> FormatNamed(const std::string& name);
// "png", "svg", "pdf".
const char* FormatExtension(PictureFormat format);
// "png, svg or pdf", for messages and help texts.
std::string FormatList();
