#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/draw_settings.h"
#include "base/pixel_point.h"

// What a picture file says about how it was made, in each format's own place for it: a PNG's
// text chunks, an SVG's <title> and <desc>, a PDF's document information and XMP metadata.
struct PictureNotes {
    QString title;     // the data set's file name
    QString software;  // the program and its version
    // Keyword and text, in order. Keywords are Latin-1 letters, digits and '-', at most 79.
    std::vector<std::pair<QString, QString>> entries;
};

// Where a picture came from: enough to draw it again.
struct PictureOrigin {
    std::string program;  // "tesmora-render", "tesmora"
    std::string version;
    std::string input;  // the data set's path as the program was given it: the file system's bytes
    DrawSettings settings;
    std::uint32_t seed = 0;  // the first streamline's seed actually used
    std::vector<PixelPoint> clicks;
};

// The notes of a picture: the input, every setting under its option's name, the seed, the
// clicks, and under "command" the tesmora-render command line that draws it again.
PictureNotes DescribePicture(const PictureOrigin& origin);

// The notes as text, one "keyword: text" a line, the title and software first.
QString NotesText(const PictureNotes& notes);
