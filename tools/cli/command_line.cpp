#include "tools/cli/command_line.h"

#include <cmath>

#include "common/native_names.h"
#include "res/version_notice.h"

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
      m_version("version", "Show the version and exit.") {
    m_parser.setApplicationDescription(description);
    m_parser.addOption(m_help);
    m_parser.addOption(m_version);
}

bool CommandLine::Parse(const QStringList& arguments) {
    if (m_parser.parse(arguments)) return true;
    m_error = m_parser.errorText().toStdString();
    return false;
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
    return m_name + ": " + message + "\nTry '" + m_name + " --help' for more information.\n";
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
                             int& value, std::string& error) const {
    if (!m_parser.isSet(option)) return true;
    const QString text = m_parser.value(option);
    for (const NamedValue& choice : choices) {
        if (text == QLatin1String(choice.name)) {
            value = choice.value;
            return true;
        }
    }
    error =
        OptionName(option) + " must be one of " + ChoiceList(choices).toStdString() + ", not " + Quoted(text);
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
    QStringList names;
    for (const NamedValue& choice : choices) names << QLatin1String(choice.name);
    return names.join(QLatin1Char('|'));
}

const char* NameOf(std::span<const NamedValue> choices, int value) {
    for (const NamedValue& choice : choices)
        if (choice.value == value) return choice.name;
    return "unknown";
}

const char* ProgramVersion() {
    return TESMORA_VERSION;
}

std::string NativePath(const QString& argument) {
    return common::ToNative(argument);
}

}  // namespace cli
