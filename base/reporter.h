#pragma once

#include <string>

// A failure as the user is told of it: the viewer speaks German, the command-line tools
// English, so the core says both.
struct Message {
    std::string caption;
    std::string german;
    std::string english;
};

// The core never shows anything: failures go to a Reporter that each front end supplies
// (a modal message box in the viewer, stderr in the command-line tools).
class Reporter {
public:
    virtual ~Reporter() = default;
    virtual void Report(const std::string& text, const std::string& caption) = 0;
    // The German text, as the viewer shows it, unless a front end wants the English one.
    virtual void Tell(const Message& message) { Report(message.german, message.caption); }
};

// Writes "caption: text" to stderr; the default when a front end supplies nothing.
class StderrReporter final : public Reporter {
public:
    void Report(const std::string& text, const std::string& caption) override;
    // On stderr English, as the command-line tools speak.
    void Tell(const Message& message) override { Report(message.english, message.caption); }
};

// Captions and fixed texts of the loader's reports.
namespace messages {
inline constexpr const char* kLoadingErrorCaption = "LOADING ERROR";
inline constexpr const char* kWrongFileFormat = "Wrong File Format!";
inline constexpr const char* kAppCaption = "Tesmora";
}  // namespace messages
