#include "app/view_choices.h"

#include <QSettings>
#include <QStandardPaths>

QString DefaultViewChoicesFile() {
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/view.ini");
}

ViewChoices LoadViewChoices(const QString& file) {
    if (file.isEmpty()) return {};
    const QSettings settings(file, QSettings::IniFormat);
    ViewChoices choices;
    choices.fitWindow = settings.value(QStringLiteral("view/fitWindow"), false).toBool();
    choices.fillView = settings.value(QStringLiteral("view/fillView"), false).toBool();
    // Both at once is no state the view can be in; the picture filling the view wins.
    if (choices.fillView) choices.fitWindow = false;
    return choices;
}

void SaveViewChoices(const QString& file, const ViewChoices& choices) {
    if (file.isEmpty()) return;
    QSettings settings(file, QSettings::IniFormat);
    settings.setValue(QStringLiteral("view/fitWindow"), choices.fitWindow);
    settings.setValue(QStringLiteral("view/fillView"), choices.fillView);
}
