#pragma once

#include <QByteArray>
#include <QImage>

#include "output/picture_notes.h"

// IMAGE as PNG bytes with NOTES as uncompressed text chunks before the image data: tEXt for
// text in Latin-1, iTXt (UTF-8) for any other. Empty when the image cannot be encoded.
QByteArray PngBytes(const QImage& image, const PictureNotes& notes);
