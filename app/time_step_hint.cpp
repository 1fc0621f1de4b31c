#include "app/time_step_hint.h"

#include <QLocale>

#include "app/ui_texts.h"
#include "scene/flow_scene.h"
#include "streamlines/step_advance.h"

QString TimeStepHint(const FlowScene& scene) {
    if (!scene.HasDataSet() || scene.PixelStepOn()) return {};
    const StepAdvance advance = MeasureTimeStepAdvance(scene);
    if (TimeStepFits(advance)) return {};
    QLocale german(QLocale::German, QLocale::Germany);
    german.setNumberOptions(QLocale::OmitGroupSeparator);
    // Three significant digits, whole pixels from 1000 on, as the command line prints them.
    const auto pixels = [&german](double value) {
        return value >= 1000.0 ? german.toString(value, 'f', 0) : german.toString(value, 'g', 3);
    };
    return QString::fromUtf8(ui::kTimeStepNote)
        .arg(german.toString(static_cast<double>(kTimeStep)), pixels(advance.median),
             pixels(advance.percentile95));
}
