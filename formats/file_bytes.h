#pragma once

#include <string>

namespace formats {

// The whole of the regular file PATH, when it is no larger than the readers take. Throws a
// ReadError (the application's caption: the file cannot be read at all) otherwise; a folder, a
// pipe or a device is never opened, so reading cannot block.
std::string ReadFileBytes(const std::string& path);

}  // namespace formats
