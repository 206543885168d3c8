// The folder every data file of the program lives in: the running executable's
// own folder, whatever the executable is called, unless a folder is given.
#pragma once

#include <filesystem>

namespace morvane {

// The folder holding the running executable. Empty when it cannot be found.
std::filesystem::path executableFolder();

}  // namespace morvane
