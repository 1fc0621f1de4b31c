#pragma once

#include <QImage>
#include <cstdint>
#include <span>
#include <string>

#include "output/vector_file.h"

class FlowScene;
class Streamline;

// RGB bytes with the bottom row first, as OpenGL reads them and the scene's image holds them,
// as an image with the top row first.
QImage RasterImage(const std::uint8_t* rgb, int width, int height);

// The vector picture of SCENE as a paint draws it, with CLICKS drawn over it in order as click
// streamlines are, and its legend when the scene shows one: captured from the drawing calls
// themselves, in the current OpenGL context, whose viewport and matrices the caller sets anew
// afterwards. False with *ERROR when the drawing cannot be captured.
bool CaptureScenePicture(const FlowScene& scene, std::span<const Streamline> clicks, VectorPicture* out,
                         std::string* error);
