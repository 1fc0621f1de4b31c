#include "tools/cli/tool_reporter.h"

#include <cstdio>

namespace cli {

void ToolReporter::Report(const std::string& text, const std::string& caption) {
    std::fprintf(stderr, "%s: %s: %s\n", m_program.c_str(), caption.c_str(), text.c_str());
}

void ToolReporter::Tell(const Message& message) {
    // A format problem keeps the loader's caption in front; a file that cannot be read needs
    // none beside the program's name.
    if (message.caption.empty() || message.caption == messages::kAppCaption)
        std::fprintf(stderr, "%s: %s\n", m_program.c_str(), message.english.c_str());
    else
        std::fprintf(stderr, "%s: %s: %s\n", m_program.c_str(), message.caption.c_str(),
                     message.english.c_str());
}

}  // namespace cli
