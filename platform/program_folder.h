// Where the program's files live. What the program ships and only reads (the
// skins, the updater and its version files) sits in its data folder; what the
// user's work writes ("keymap.bin", "MacroDefine.bin", "Configure/") in the
// user folder. A build tree keeps both in the executables' folder, which the
// build marks with a file of its own; an install keeps the data in
// <prefix>/share/morvane beside <prefix>/bin, so a moved install still finds it,
// and the user's files under $XDG_DATA_HOME/Morvane (else ~/.local/share/Morvane).
#pragma once

#include <filesystem>
#include <string>

namespace morvane {

// The file the build writes beside its executables.
inline constexpr const char* kBuildTreeMarker = "morvane-build-tree";

struct ProgramFolders {
    std::filesystem::path data;
    std::filesystem::path user;  // empty when no folder for it is known (no HOME)
    // The user folder is the installed layout's: made, with its "Configure"
    // folder, at the first start.
    bool installed = false;
};

// The folder holding the running executable. Empty when it cannot be found.
std::filesystem::path executableFolder();

// The folders for an executable in `exeFolder`, given the environment's
// XDG_DATA_HOME and HOME (null when unset). A relative XDG_DATA_HOME is
// ignored, as the XDG rules say.
ProgramFolders locateProgramFolders(const std::filesystem::path& exeFolder, const char* xdgDataHome,
                                    const char* home);
// On Windows the shipped files lie beside the executable, and so do the
// user's when that folder can be written (a portable copy); otherwise (an
// installed copy under Program Files) they go to %LOCALAPPDATA%\Morvane.
ProgramFolders locateWindowsProgramFolders(const std::filesystem::path& exeFolder, bool exeFolderWritable,
                                           const std::filesystem::path& localAppData);

// The same for the running executable and environment (on Windows, the
// Windows rule above).
ProgramFolders locateProgramFolders();

// Makes the user folder and its "Configure" folder where they are missing.
// Returns an empty text or, in one line, what could not be made.
std::string prepareUserFolder(const std::filesystem::path& userFolder);

// Whether this process may work on `userFolder`: only when it belongs to the
// process's own (effective) user, so a run as root on another's folder, or on
// a folder someone else left in its place, changes nothing there. A folder
// not there yet is fine (it is made as ours). Returns an empty text or, in one
// line, why not.
std::string checkFolderIsOurs(const std::filesystem::path& userFolder);

}  // namespace morvane
