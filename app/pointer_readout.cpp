#include "app/pointer_readout.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "app/ui_texts.h"
#include "sampling/interpolation.h"
#include "scene/flow_scene.h"
#include "streamlines/pixel_mapping.h"

namespace {

// A per-node field at (x, y) in plane-0 cell h, the way the rasters sample it.
float InterpolateNodes(const FlowScene& scene, const float* field, int h, float x, float y) {
    const std::size_t ll = static_cast<std::size_t>(h);
    const std::size_t ni = static_cast<std::size_t>(scene.m_ni);
    const GridNode lower = scene.m_pNodes[ll];
    const GridNode upper = scene.m_pNodes[ll + ni + 1];
    return static_cast<float>(InterpolateInCell(x, y, lower.x, lower.y, upper.x, upper.y, field[ll],
                                                field[ll + 1], field[ll + ni], field[ll + ni + 1]));
}

}  // namespace

std::optional<PointerSample> SampleAtPixel(const FlowScene& scene, int px, int py) {
    if (!scene.HasDataSet() || !scene.IsPixelInData(px, py)) return std::nullopt;
    const GridNode world = scene.PixelToWorld(px, py);
    const int h = scene.FindCell(world.x, world.y, 0);
    // A cell needs its upper-right node in plane 0; anything else is not a cell.
    if (h < 0 || std::int64_t{h} + scene.m_ni + 1 >= std::int64_t{scene.m_ni} * scene.m_nj)
        return std::nullopt;
    PointerSample sample;
    // The position as the user's file has it, also for a grid shifted on loading.
    sample.x = scene.Origin().ShownX(world.x);
    sample.y = scene.Origin().ShownY(world.y);
    const float u = InterpolateNodes(scene, scene.m_pU.get(), h, world.x, world.y);
    const float v = InterpolateNodes(scene, scene.m_pV.get(), h, world.x, world.y);
    sample.speed = static_cast<float>(std::sqrt(double{u} * u + double{v} * v));
    sample.pressure = InterpolateNodes(scene, scene.m_pP.get(), h, world.x, world.y);
    sample.vorticity = InterpolateNodes(scene, scene.m_pW.get(), h, world.x, world.y);
    return sample;
}

QString FormatReadout(const PointerSample& sample) {
    QLocale german(QLocale::German, QLocale::Germany);
    german.setNumberOptions(QLocale::OmitGroupSeparator);
    const auto number = [&german](float value) {
        return german.toString(static_cast<double>(value), 'g', 5);
    };
    // Five significant digits, and for coordinates far from the origin (UTM northings of seven
    // digits) enough that a pixel's step still shows.
    const auto position = [&german](double value) {
        const double magnitude = std::fabs(value);
        const int digits = magnitude >= 1.0 ? static_cast<int>(std::floor(std::log10(magnitude))) + 1 : 1;
        return german.toString(value, 'g', std::max(5, digits + 2));
    };
    return QStringLiteral("x = %1  y = %2    %3 = %4    %5 = %6    %7 = %8")
        .arg(position(sample.x), position(sample.y), QString::fromUtf8(ui::kReadSpeed), number(sample.speed),
             QString::fromUtf8(ui::kReadPressure), number(sample.pressure),
             QString::fromUtf8(ui::kReadVorticity), number(sample.vorticity));
}
