#include "output/scene_capture.h"

#include <algorithm>
#include <cstring>

#include "base/raster_geometry.h"
#include "render/figure_layout.h"
#include "render/legend_drawing.h"
#include "render/legend_layout.h"
#include "render/scene_drawing.h"
#include "render/view_projection.h"
#include "scene/flow_scene.h"

QImage RasterImage(const std::uint8_t* rgb, int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3u;
    for (int row = 0; row < height; ++row) {
        const std::size_t rasterRow = static_cast<std::size_t>(height - 1 - row);
        std::memcpy(image.scanLine(row), rgb + rasterRow * rowBytes, rowBytes);
    }
    return image;
}

bool CaptureScenePicture(const FlowScene& scene, std::span<const Streamline> clicks, VectorPicture* out,
                         std::string* error) {
    const auto draw = [&] {
        DrawScene(scene);
        for (const Streamline& click : clicks) DrawClickStreamline(scene, click);
    };
    const RasterSize raster = scene.Raster();
    const int extent = std::max(kImageOriginX + raster.width, kImageOriginY + raster.height);
    if (!CaptureDrawing(draw, &out->drawing, error, std::size_t{1} << 26, extent)) return false;
    // What DrawBackground hands to glDrawPixels.
    out->raster = raster;
    // A page without a field is left bare in a vector file, which can show what lies under it.
    out->bare = scene.m_nBackground == kBackgroundNone;
    out->background = scene.m_pImage && !out->bare
                          ? RasterImage(scene.m_pImage.get(), raster.width, raster.height)
                          : QImage();
    // The panel stands beside the picture whenever the legend is on; DrawLegend fills it only
    // once an image has been coloured.
    out->legend.reset();
    if (scene.m_modes.legend && scene.HasDataSet())
        out->legend = LegendScaleOf(scene).coloured ? LayOutSceneLegend(scene) : LegendLayout{};
    out->figure = LayOutFigure(scene);
    out->lineWidth = scene.m_modes.lineWidth > 0.0f ? scene.m_modes.lineWidth : 1.0f;
    return true;
}
