#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <span>
#include <string>

namespace cli {

// A value of a choice option and the word that names it on the command line.
struct NamedValue {
    const char* name;
    int value;
};

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

    // Parses ARGUMENTS (the program's path first); false with Error() telling why.
    bool Parse(const QStringList& arguments);
    const std::string& Error() const { return m_error; }
    bool WantsHelp() const { return m_parser.isSet(m_help); }
    bool WantsVersion() const { return m_parser.isSet(m_version); }

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
    bool ReadChoice(const QCommandLineOption& option, std::span<const NamedValue> choices, int& value,
                    std::string& error) const;
    // A file name, which must not be empty.
    bool ReadPath(const QCommandLineOption& option, std::string& path, std::string& error) const;

private:
    std::string m_name;
    std::string m_synopsis;
    std::string m_error;
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
};

// "a|b|c" of the names of CHOICES, for help texts and messages.
QString ChoiceList(std::span<const NamedValue> choices);
// The name of VALUE among CHOICES, or "unknown".
const char* NameOf(std::span<const NamedValue> choices, int value);
// A path from the command line as the bytes it was given as (see common::NativeArguments).
std::string NativePath(const QString& argument);
// The programs' version, as --version prints it.
const char* ProgramVersion();

}  // namespace cli
