#include "app/frame_read_ahead.h"

#include <system_error>
#include <utility>

#include "base/reporter.h"
#include "formats/format_reader.h"

namespace {

// A failed read ahead is read again when its frame is shown, and reported then; here it says
// nothing.
class SilentReporter final : public Reporter {
public:
    void Report(const std::string&, const std::string&) override {}
};

}  // namespace

FrameReadAhead::~FrameReadAhead() {
    Wait();
}

void FrameReadAhead::Start(std::size_t index, const Frame& frame, const FrameReading& how) {
    Drop();
    m_index = index;
    m_how = how;
    // Without a thread to spare the frame is read when it is shown, as it always was.
    try {
        m_worker = std::thread([this, frame, how] { Read(frame, how); });
    } catch (const std::system_error&) {
    }
}

void FrameReadAhead::Read(const Frame& frame, const FrameReading& how) {
    // A reader of its own, made and ended in this thread: none is shared with the thread that
    // shows the frames.
    formats::FormatReader reader;
    SilentReporter quiet;
    DataSetArrays data;
    try {
        if (ReadFrameWith(frame, &reader, how, quiet, data)) m_read = std::move(data);
    } catch (...) {
        // Whatever ended the read is met again, and handled as always, when the frame is read
        // where it is shown.
        m_read.reset();
    }
}

std::optional<DataSetArrays> FrameReadAhead::Take(std::size_t index, const FrameReading& how) {
    Wait();
    std::optional<DataSetArrays> read = std::move(m_read);
    m_read.reset();
    if (!read || index != m_index || how != m_how) return std::nullopt;
    return read;
}

void FrameReadAhead::Wait() {
    if (m_worker.joinable()) m_worker.join();
}

void FrameReadAhead::Drop() {
    Wait();
    m_read.reset();
}
