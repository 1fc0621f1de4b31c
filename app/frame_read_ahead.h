#pragma once

#include <cstddef>
#include <optional>
#include <thread>

#include "base/data_set.h"
#include "scene/flow_scene.h"

// Reads one frame of a series on a thread of its own while the viewer shows another, so that
// stepping on and playback do not wait on the disk. The worker reads with a reader and a
// reporter of its own and touches nothing else; its arrays change hands in the thread that asks
// for them, once the worker has ended. A read still running is waited for before another
// starts, before anything is handed over and when the object goes, so that no thread outlives
// it and no two reads ever run at once: some formats' libraries (netCDF's) keep state of their
// own that two threads must not share.
class FrameReadAhead {
public:
    FrameReadAhead() = default;
    ~FrameReadAhead();
    FrameReadAhead(const FrameReadAhead&) = delete;
    FrameReadAhead& operator=(const FrameReadAhead&) = delete;

    // Starts reading FRAME, number INDEX of the series shown, as HOW says; a read before it is
    // waited for and dropped.
    void Start(std::size_t index, const Frame& frame, const FrameReading& how);
    // The arrays of frame INDEX when the last read was of that frame, made as HOW says, and
    // succeeded; waited for while it runs. Nothing otherwise, and the read is dropped either way:
    // the caller then reads the frame itself and reports what fails.
    std::optional<DataSetArrays> Take(std::size_t index, const FrameReading& how);
    // Waits for a read still running, keeping what it read: before the caller reads files itself.
    void Wait();
    // Waits for a read still running and drops it: when the series changes.
    void Drop();

private:
    // The worker's whole work.
    void Read(const Frame& frame, const FrameReading& how);

    std::thread m_worker;
    std::size_t m_index = 0;
    FrameReading m_how;
    // Written by the worker alone while it runs, read only after it has been joined.
    std::optional<DataSetArrays> m_read;
};
