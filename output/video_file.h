#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// A video of pictures of one size, written through FFmpeg's libraries: H.264 in an MP4
// container for .mp4, VP9 in WebM for .webm. The file is written under a temporary name beside
// its target and takes the target's name only when Finish succeeds, as every picture file is.
class VideoFile {
public:
    VideoFile();
    ~VideoFile();
    VideoFile(const VideoFile&) = delete;
    VideoFile& operator=(const VideoFile&) = delete;

    // Every call returns false with *ERROR (English) set when it fails; the video is then lost
    // and the target left as it was.
    bool Open(const std::string& path, int width, int height, int framesPerSecond, std::string* error);
    // RGB, three bytes a pixel, rows from the top BYTES_PER_ROW apart, WIDTH x HEIGHT as opened.
    bool AddFrame(const std::uint8_t* rgb, std::size_t bytesPerRow, std::string* error);
    bool Finish(std::string* error);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// Whether PATH names a video by its extension (.mp4, .webm), which VideoFile writes.
bool IsVideoPath(const std::string& path);
// Whether the machine's libraries hold an encoder for PATH's kind of video.
bool CanWriteVideo(const std::string& path, std::string* why);
