#pragma once

#include <QJsonObject>
#include <string>
#include <utility>
#include <vector>

#include "base/draw_settings.h"

// Every setting of a picture in the command line's words: the option's name without its dashes
// and the value as the option takes it. Picture files, the streamline JSON and tesmora-info
// describe their settings this way, so that what a file says can be typed back in.
namespace cli {

using SettingWord = std::pair<std::string, std::string>;

// In the order of tesmora-render --help; switches as "true" or "false"; step-px 0 is the time step.
std::vector<SettingWord> SettingWords(const DrawSettings& settings);
// The same names with typed values: numbers, true/false, and the choices' words.
QJsonObject SettingsJson(const DrawSettings& settings);
// The options that draw SETTINGS again, as they would be typed: "--background speed ...".
std::string SettingOptions(const DrawSettings& settings);

}  // namespace cli
