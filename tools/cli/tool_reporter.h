#pragma once

#include <string>

#include "base/reporter.h"

namespace cli {

// What the viewer would show in a message box goes to stderr, under the program's name.
class ToolReporter final : public Reporter {
public:
    explicit ToolReporter(std::string program) : m_program(std::move(program)) {}
    void Report(const std::string& text, const std::string& caption) override;
    // The English text: the command-line tools speak English.
    void Tell(const Message& message) override;

private:
    std::string m_program;
};

}  // namespace cli
