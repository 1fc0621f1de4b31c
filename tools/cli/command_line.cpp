#include "tools/cli/command_line.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/native_names.h"
#include "res/version_notice.h"
#include "tools/cli/standard_output.h"

namespace cli {

namespace {

std::string OptionName(const QCommandLineOption& option) {
    return "--" + option.names().constLast().toStdString();
}

std::string Quoted(const QString& value) {
    std::string quoted(1, '\'');
    quoted += common::ToNative(value);
    return quoted += '\'';
}

// The shortest text of a number that reads back the same, as the ranges are written.
std::string Shown(double v) {
    return QString::number(v, 'g', 15).toStdString();
}

}  // namespace

CommandLine::CommandLine(std::string name, std::string synopsis, const QString& description)
    : m_name(std::move(name)),
      m_synopsis(std::move(synopsis)),
      m_help({"h", "help"}, "Show this help and exit."),
      m_version({"v", "version"}, "Show the version and exit.") {
    m_parser.setApplicationDescription(description);
    m_parser.addOption(m_help);
    m_parser.addOption(m_version);
}

Outcome CommandLine::Start(const QStringList& arguments, const std::string& epilogue) {
    if (!m_parser.parse(arguments)) return Bad(m_parser.errorText().toStdString());
    if (m_parser.isSet(m_help)) return {Outcome::Kind::Help, HelpText(epilogue)};
    if (m_parser.isSet(m_version)) return {Outcome::Kind::Version, VersionText()};
    return {Outcome::Kind::Go, {}};
}

std::optional<int> EndEarly(const Outcome& outcome) {
    switch (outcome.kind) {
        case Outcome::Kind::Go:
            return std::nullopt;
        case Outcome::Kind::Help:
        case Outcome::Kind::Version:
            PrintOut(outcome.text);
            return kExitHelp;
        case Outcome::Kind::BadUsage:
            break;
    }
    std::fputs(outcome.text.c_str(), stderr);
    return kExitBadUsage;
}

std::string CommandLine::HelpText(const std::string& epilogue) const {
    // Qt's first line names the program by the path it was started with.
    QString qtHelp = m_parser.helpText();
    qtHelp.remove(0, qtHelp.indexOf(QLatin1Char('\n')) + 1);
    return "Usage: " + m_name + " " + m_synopsis + "\n" + qtHelp.toStdString() + epilogue;
}

std::string CommandLine::VersionText() const {
    return m_name + " " + TESMORA_VERSION + "\n" + tesmora::kVersionNotice;
}

std::string CommandLine::UsageError(const std::string& message) const {
    return UsageErrorText(m_name, message);
}

std::string UsageErrorText(const std::string& name, const std::string& message) {
    return name + ": " + message + "\nTry '" + name + " --help' for more information.\n";
}

bool CommandLine::ReadWhole(const QCommandLineOption& option, long long lo, long long hi, long long& value,
                            std::string& error, const char* what) const {
    if (!m_parser.isSet(option)) return true;
    const QString text = m_parser.value(option);
    bool ok = false;
    const long long parsed = text.trimmed().toLongLong(&ok, 10);
    if (!ok || parsed < lo || parsed > hi) {
        error = OptionName(option) + " must be " + what + " from " + std::to_string(lo) + " to " +
                std::to_string(hi) + ", not " + Quoted(text);
        return false;
    }
    value = parsed;
    return true;
}

bool CommandLine::ReadReal(const QCommandLineOption& option, double lo, double hi, double& value,
                           std::string& error, const char* what) const {
    if (!m_parser.isSet(option)) return true;
    const QString text = m_parser.value(option);
    bool ok = false;
    const double parsed = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(parsed) || parsed < lo || parsed > hi) {
        error = OptionName(option) + " must be " + what + " from " + Shown(lo) + " to " + Shown(hi) +
                ", not " + Quoted(text);
        return false;
    }
    value = parsed;
    return true;
}

bool CommandLine::ReadChoice(const QCommandLineOption& option, std::span<const NamedValue> choices,
                             int& value, std::string& error, std::span<const NamedValue> aliases) const {
    if (!m_parser.isSet(option)) return true;
    const QString text = m_parser.value(option);
    if (settings::ValueOf(choices, aliases, text.toStdString(), value)) return true;
    error = OptionName(option) + " must be one of " + settings::ChoiceList(choices) + ", not " + Quoted(text);
    return false;
}

bool CommandLine::ReadPath(const QCommandLineOption& option, std::string& path, std::string& error) const {
    if (!m_parser.isSet(option)) return true;
    const QString text = m_parser.value(option);
    if (text.isEmpty()) {
        error = OptionName(option) + " needs a file name";
        return false;
    }
    path = NativePath(text);
    return true;
}

QString ChoiceList(std::span<const NamedValue> choices) {
    return QString::fromStdString(settings::ChoiceList(choices));
}

SettingOptions::SettingOptions(CommandLine& line, std::initializer_list<std::string_view> only) {
    for (const settings::Row& row : settings::Table()) {
        if (only.size() && std::find(only.begin(), only.end(), std::string_view(row.name)) == only.end())
            continue;
        const QString help = QString::fromStdString(settings::HelpText(row));
        m_options.emplace_back(&row, row.valueName ? QCommandLineOption(row.name, help, row.valueName)
                                                   : QCommandLineOption(row.name, help));
        line.Parser().addOption(m_options.back().second);
    }
}

bool SettingOptions::Read(const CommandLine& line, DrawSettings& s, std::string& error) const {
    for (const auto& [rowOf, option] : m_options) {
        const settings::Row& row = *rowOf;
        if (!line.Parser().isSet(option)) continue;
        double value = row.get(s);
        switch (row.kind) {
            case settings::Kind::Choice: {
                int chosen = static_cast<int>(value);
                if (!line.ReadChoice(option, row.choices, chosen, error, row.aliases)) return false;
                value = chosen;
                break;
            }
            case settings::Kind::Whole: {
                long long whole = static_cast<long long>(value);
                if (!line.ReadWhole(option, static_cast<long long>(row.lo), static_cast<long long>(row.hi),
                                    whole, error, row.what))
                    return false;
                value = static_cast<double>(whole);
                break;
            }
            case settings::Kind::Length:
                if (!line.ReadReal(option, row.lo, row.hi, value, error, row.what)) return false;
                break;
            case settings::Kind::Switch:
                value = 1.0;
                break;
            case settings::Kind::Text: {
                std::string why;
                const QString text = line.Parser().value(option);
                if (!row.read(s, text.toStdString(), why)) {
                    error = "--" + std::string(row.name) + " " + why + ", not " + Quoted(text);
                    return false;
                }
                continue;
            }
        }
        row.set(s, value);
    }
    return true;
}

QJsonObject SettingsJson(const DrawSettings& s) {
    QJsonObject json;
    for (const settings::Row& row : settings::Table()) {
        if (settings::ListedOnlyWhenSet(row) && settings::AtDefault(row, s)) continue;
        const QString name = QLatin1String(row.name);
        const std::string text = settings::ValueText(row, s);
        switch (row.kind) {
            case settings::Kind::Choice:
            case settings::Kind::Text:
                json[name] = QString::fromStdString(text);
                break;
            case settings::Kind::Whole:
                json[name] = static_cast<qint64>(row.get(s));
                break;
            case settings::Kind::Length:
                // As the text reads back, so that 0.1 is 0.1 and not the double nearest the float.
                json[name] = QString::fromStdString(text).toDouble();
                break;
            case settings::Kind::Switch:
                json[name] = row.get(s) != 0.0;
                break;
        }
    }
    return json;
}

const char* ProgramVersion() {
    return TESMORA_VERSION;
}

bool EndsWithGri(const std::string& path) {
    if (path.size() < 4) return false;
    std::string end = path.substr(path.size() - 4);
    for (char& c : end)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return end == ".gri";
}

std::string NativePath(const QString& argument) {
    return common::ToNative(argument);
}

}  // namespace cli
