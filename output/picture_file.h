#pragma once

#include <QByteArray>
#include <QImage>
#include <string>

#include "output/picture_format.h"
#include "output/picture_notes.h"
#include "output/vector_file.h"

// One picture in every format it can be written in: the raster image the framebuffer holds,
// and for the vector formats the drawing captured from the same frame.
struct PictureData {
    QImage raster;         // 350 x 560, top row first, as the PNG shows it
    VectorPicture vector;  // needed for Svg and Pdf only
    PictureNotes notes;
};

// The file's bytes in FORMAT; empty when they cannot be made.
QByteArray PictureBytes(PictureFormat format, const PictureData& picture);

// The picture written to PATH (the file system's bytes) as common::TargetFile writes: whole or
// not at all, a device or FIFO directly, "-" to standard output. False with *ERROR set.
bool WritePictureFile(const std::string& path, PictureFormat format, const PictureData& picture,
                      std::string* error);
