#pragma once

// What every program prints under its name and version for --version: the copyright and the
// licence, in the form that help2man turns into a manual page's COPYRIGHT section. One text,
// so that the programs, their manual pages and the LICENSE file cannot drift apart.
namespace tesmora {

inline constexpr const char* kVersionNotice =
    "Copyright (c) 2026 the Tesmora authors.\n"
    "MIT licence: free to use, copy, change and pass on, with this notice kept.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n";

}  // namespace tesmora
