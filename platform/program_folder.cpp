#include "platform/program_folder.h"

#include <cstdlib>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace morvane {

namespace fs = std::filesystem;

fs::path executableFolder() {
#ifdef _WIN32
    wchar_t buf[32768];
    const DWORD n = GetModuleFileNameW(nullptr, buf, static_cast<DWORD>(std::size(buf)));
    if (n == 0 || n >= std::size(buf)) return {};
    return fs::path(std::wstring(buf, n)).parent_path();
#else
    std::error_code ec;
    const auto exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return exe.parent_path();
#endif
}

ProgramFolders locateProgramFolders(const fs::path& exeFolder, const char* xdgDataHome, const char* home) {
    std::error_code ec;
    if (exeFolder.empty() || fs::exists(exeFolder / kBuildTreeMarker, ec)) return {exeFolder, exeFolder, false};
    ProgramFolders folders;
    folders.installed = true;
    folders.data = (exeFolder.parent_path() / "share" / "morvane").lexically_normal();
    if (xdgDataHome && *xdgDataHome && fs::path(xdgDataHome).is_absolute())
        folders.user = fs::path(xdgDataHome) / "Morvane";
    else if (home && *home)
        folders.user = fs::path(home) / ".local" / "share" / "Morvane";
    return folders;
}

ProgramFolders locateWindowsProgramFolders(const fs::path& exeFolder, bool exeFolderWritable,
                                           const fs::path& localAppData) {
    // Either way the user's folder is made, with its "Configure", at the first start.
    if (exeFolderWritable || localAppData.empty()) return {exeFolder, exeFolder, true};
    return {exeFolder, localAppData / "Morvane", true};
}

#ifdef _WIN32

namespace {

// Whether a file can be made there: the only sure test under Windows' rights.
bool canWriteIn(const fs::path& folder) {
    const fs::path probe = folder / ("morvane-write-test-" + std::to_string(GetCurrentProcessId()) + ".tmp");
    const HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

}  // namespace

ProgramFolders locateProgramFolders() {
    const fs::path exe = executableFolder();
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    return locateWindowsProgramFolders(exe, !exe.empty() && canWriteIn(exe), local && *local ? fs::path(local) : fs::path());
}

#else

ProgramFolders locateProgramFolders() {
    return locateProgramFolders(executableFolder(), std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

#endif

std::string prepareUserFolder(const fs::path& userFolder) {
#ifdef _WIN32
    if (userFolder.empty()) return "no folder for the user's files: the program's folder cannot be written and LOCALAPPDATA is not set";
#else
    if (userFolder.empty()) return "no folder for the user's files: neither XDG_DATA_HOME nor HOME is set";
#endif
    std::error_code ec;
    fs::create_directories(userFolder / "Configure", ec);
    if (ec || !fs::is_directory(userFolder / "Configure", ec))
        return "the folder \"" + (userFolder / "Configure").string() + "\" could not be made";
    return {};
}

std::string checkFolderIsOurs(const fs::path& userFolder) {
#ifndef _WIN32
    struct stat st {};
    if (userFolder.empty() || ::stat(userFolder.c_str(), &st) != 0) return {};
    const uid_t me = ::geteuid();
    if (st.st_uid == me) return {};
    return "the folder \"" + userFolder.string() + "\" belongs to user " + std::to_string(st.st_uid) +
           ", not to you (user " + std::to_string(me) + "); run as its owner, or give a folder of your own with --folder";
#else
    (void)userFolder;
    return {};
#endif
}

}  // namespace morvane
