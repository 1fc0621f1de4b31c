#include "render/picture_frame.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

PictureFrame FittedFrame(int width, int height, bool legend, RasterSize raster) {
    const int pictureWidth = PictureWidth(legend, raster.width);
    if (width <= 0 || height <= 0) return {};
    const double zoom =
        std::min(static_cast<double>(width) / pictureWidth, static_cast<double>(height) / raster.height);
    const auto margin = [zoom](int window, int picture) {
        return static_cast<int>(std::floor((window - zoom * picture) / 2.0));
    };
    return {margin(width, pictureWidth), margin(height, raster.height), zoom};
}

PixelPoint WindowToRaster(const PictureFrame& frame, double x, double y) {
    const auto raster = [&frame](double window, int origin) {
        const double r = std::floor((window - origin) / frame.zoom);
        // Far outside any window a point is as good as anywhere beside the picture.
        constexpr double kFar = 1.0e6;
        return static_cast<int>(std::clamp(std::isnan(r) ? -kFar : r, -kFar, kFar));
    };
    return {raster(x, frame.originX), raster(y, frame.originY)};
}

void UseFrame(const PictureFrame& frame) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (frame == PictureFrame{}) {
        glPixelZoom(1.0f, 1.0f);
        glLineWidth(1.0f);
        return;
    }
    const auto zoom = static_cast<GLdouble>(frame.zoom);
    glTranslated(frame.originX, frame.originY, 0.0);
    glScaled(zoom, zoom, 1.0);
    glTranslated(-kImageOriginX, -kImageOriginY, 0.0);
    glPixelZoom(static_cast<GLfloat>(zoom), static_cast<GLfloat>(zoom));
    glLineWidth(static_cast<GLfloat>(std::max(1.0, std::round(zoom))));
}
