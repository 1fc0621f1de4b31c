#include "tools/cli/settings_words.h"

#include <QString>
#include <charconv>

#include "tools/cli/setting_names.h"

namespace cli {

namespace {

// One entry per setting. The binding names every field, so a setting added to DrawSettings
// does not compile here until it has its words.
struct Described {
    std::vector<SettingWord> words;
    QJsonObject json;
    std::string options;

    void Choice(const char* name, std::span<const NamedValue> choices, int value) {
        Add(name, NameOf(choices, value), QString::fromLatin1(NameOf(choices, value)));
    }
    void Whole(const char* name, long long value) { Add(name, std::to_string(value), QJsonValue(value)); }
    // A length that only an option given says; 0 is the option left out.
    void Length(const char* name, float value) {
        char text[32];
        const auto written = std::to_chars(text, text + sizeof text, value);
        const std::string shortest(text, written.ptr);
        words.emplace_back(name, shortest);
        json[QLatin1String(name)] = QString::fromStdString(shortest).toDouble();
        if (value > 0.0f) options += std::string(options.empty() ? "" : " ") + "--" + name + " " + shortest;
    }
    void Switch(const char* name, bool on) {
        words.emplace_back(name, on ? "true" : "false");
        json[QLatin1String(name)] = on;
        if (on) options += std::string(options.empty() ? "" : " ") + "--" + name;
    }

private:
    void Add(const char* name, const std::string& text, const QJsonValue& value) {
        words.emplace_back(name, text);
        json[QLatin1String(name)] = value;
        options += std::string(options.empty() ? "" : " ") + "--" + name + " " + text;
    }
};

Described Describe(const DrawSettings& settings) {
    const auto& [stepPixels, colourMap, aspect, legend, placement] = static_cast<const DrawModes&>(settings);
    const int dsep = settings.dsep, dtestPercent = settings.dtestPercent, method = settings.method,
              background = settings.background;
    const bool hedgehog = settings.hedgehog, arrowsBySpeed = settings.arrowsBySpeed;
    Described d;
    d.Choice("background", kBackgrounds, background);
    d.Choice("method", kMethods, method);
    d.Whole("dsep", dsep);
    d.Whole("dtest-percent", dtestPercent);
    d.Length("step-px", stepPixels);
    d.Choice("colormap", kColourMaps, colourMap);
    d.Choice("aspect", kAspects, aspect);
    d.Choice("placement", kPlacements, placement == kPlacementFine ? kPlacementFine : kPlacementDesign);
    d.Switch("legend", legend);
    d.Switch("hedgehog", hedgehog);
    d.Switch("arrows-by-speed", arrowsBySpeed);
    return d;
}

}  // namespace

std::vector<SettingWord> SettingWords(const DrawSettings& settings) {
    return Describe(settings).words;
}

QJsonObject SettingsJson(const DrawSettings& settings) {
    return Describe(settings).json;
}

std::string SettingOptions(const DrawSettings& settings) {
    return Describe(settings).options;
}

}  // namespace cli
