#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/settings_table.h"

namespace cli {

// A value of a choice option and the word that names it on the command line.
using NamedValue = settings::Word;

inline constexpr int kExitHelp = 0;
inline constexpr int kExitBadUsage = 2;

// How a command line ends before the program's own work (help or version on stdout, a usage
// error on stderr), or that the work goes on.
struct Outcome {
    enum class Kind { Go, Help, Version, BadUsage };
    Kind kind = Kind::BadUsage;
    std::string text;
    bool Goes() const { return kind == Kind::Go; }
};

// The end of every tool's prologue: prints OUTCOME's text where it belongs and gives the exit
// code to end with; nothing when the work goes on.
std::optional<int> EndEarly(const Outcome& outcome);

// One program's command line, the same way in every tool: Qt's parser with -h/--help and
// --version, the help headed by a usage line that names the program plainly, and every bad
// value told as "NAME: what is wrong" followed by a pointer to --help.
class CommandLine {
public:
    // NAME as the user types it; SYNOPSIS follows it in the usage line.
    CommandLine(std::string name, std::string synopsis, const QString& description);

    QCommandLineParser& Parser() { return m_parser; }
    const QCommandLineParser& Parser() const { return m_parser; }
    const std::string& Name() const { return m_name; }

    // Parses ARGUMENTS (the program's path first): Help with the help text (EPILOGUE at its
    // end), Version, BadUsage with the usage error, or Go.
    Outcome Start(const QStringList& arguments, const std::string& epilogue = {});
    // The usage error telling MESSAGE.
    Outcome Bad(const std::string& message) const { return {Outcome::Kind::BadUsage, UsageError(message)}; }

    // "Usage: NAME SYNOPSIS", the description, the options, then EPILOGUE.
    std::string HelpText(const std::string& epilogue = {}) const;
    // "NAME VERSION", then the copyright and licence.
    std::string VersionText() const;
    // "NAME: MESSAGE", a line break, and where the options are explained.
    std::string UsageError(const std::string& message) const;

    // Each reads OPTION when it is given, the last occurrence counting, into VALUE; without it
    // VALUE keeps its default. A value that is not acceptable gives false and a message in
    // *ERROR that names the option, what it takes and what it got.
    bool ReadWhole(const QCommandLineOption& option, long long lo, long long hi, long long& value,
                   std::string& error, const char* what = "a whole number") const;
    template <typename T>
    bool ReadWhole(const QCommandLineOption& option, long long lo, long long hi, T& value, std::string& error,
                   const char* what = "a whole number") const {
        long long wide = static_cast<long long>(value);
        if (!ReadWhole(option, lo, hi, wide, error, what)) return false;
        value = static_cast<T>(wide);
        return true;
    }
    bool ReadReal(const QCommandLineOption& option, double lo, double hi, double& value, std::string& error,
                  const char* what = "a number") const;
    // ALIASES are accepted as well and never named in the message.
    bool ReadChoice(const QCommandLineOption& option, std::span<const NamedValue> choices, int& value,
                    std::string& error, std::span<const NamedValue> aliases = {}) const;
    // A file name, which must not be empty.
    bool ReadPath(const QCommandLineOption& option, std::string& path, std::string& error) const;

private:
    std::string m_name;
    std::string m_synopsis;
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
};

// "NAME: MESSAGE", a line break, and where the options of the program NAME are explained.
std::string UsageErrorText(const std::string& name, const std::string& message);

// "a|b|c" of the names of CHOICES, for help texts and messages.
QString ChoiceList(std::span<const NamedValue> choices);

// The options of every setting of a picture, one per row of the settings table, with the
// table's help, read into a DrawSettings.
class SettingOptions {
public:
    // Adds the options to LINE's parser, in the table's order: every row's, or only those of
    // the rows named in ONLY (tesmora-info and tesmora-convert take the plane alone).
    explicit SettingOptions(CommandLine& line, std::initializer_list<std::string_view> only = {});
    // Reads every option given into S, the last occurrence counting; those not given keep S's
    // values. False with a message in ERROR that names the option when a value is not acceptable.
    bool Read(const CommandLine& line, DrawSettings& s, std::string& error) const;

private:
    std::vector<std::pair<const settings::Row*, QCommandLineOption>> m_options;
};

// The settings with typed values: numbers, true/false and the choices' words, named as the
// options are.
QJsonObject SettingsJson(const DrawSettings& s);
// A path from the command line as the bytes it was given as (see common::NativeArguments).
std::string NativePath(const QString& argument);
// Whether PATH ends in .gri, in any case: the only name the readers take for a geometry file.
bool EndsWithGri(const std::string& path);
// The programs' version, as --version prints it.
const char* ProgramVersion();

}  // namespace cli
