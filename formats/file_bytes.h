#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace formats {

// The whole of the regular file PATH, when it is no larger than the readers take. Throws a
// ReadError (the application's caption: the file cannot be read at all) otherwise; a folder, a
// pipe or a device is never opened, so reading cannot block.
//
// FIRST, when given, sees the file's first block (up to kFirstBlockBytes) before the rest is
// read, and may throw: a file it rejects is not read on.
inline constexpr std::size_t kFirstBlockBytes = 4096;
std::string ReadFileBytes(const std::string& path,
                          const std::function<void(std::string_view first)>& first = nullptr);

}  // namespace formats
