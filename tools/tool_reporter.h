#pragma once

#include <cstdio>
#include <string>

#include "scene/reporter.h"

// What the viewer would show in its message box, as the command-line tools say it: on stderr,
// under the program's name, in English where the failure has an English text.
class ToolReporter final : public Reporter {
public:
    explicit ToolReporter(const char* program) : m_program(program) {}
    void Report(const std::string& text, const std::string& caption) override {
        std::fprintf(stderr, "%s: %s: %s\n", m_program, caption.c_str(), text.c_str());
    }
    void Tell(const Message& message) override { Report(message.english, message.caption); }

private:
    const char* m_program;
};
