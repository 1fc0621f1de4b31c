#include "tools/common/tool_reporter.h"

#include <cstdio>

namespace cli {

void ToolReporter::Report(const std::string& text, const std::string& caption) {
    std::fprintf(stderr, "%s: %s: %s\n", m_program.c_str(), caption.c_str(), text.c_str());
}

void ToolReporter::Tell(const Message& message) {
    std::fprintf(stderr, "%s: %s\n", m_program.c_str(), message.english.c_str());
}

}  // namespace cli
