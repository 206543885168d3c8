// The Windows twins of the platform layer, run under Wine: the registry
// settings, the Run key, the writer lock, the hand-off pipe, and telling the
// keyboard's interfaces apart in device notifications.
#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

#include "device/windows/windows_hid_devices.h"
#include "device/windows/windows_hotplug.h"
#include "platform/autostart.h"
#include "platform/file_lock.h"
#include "platform/handoff.h"
#include "platform/settings_store.h"
#include "platform/utf.h"
#include "temp_folder.h"

namespace morvane {
namespace {

void deleteKey(const wchar_t* key) { RegDeleteKeyW(HKEY_CURRENT_USER, key); }

TEST(WindowsSettings, TheKeysAreMadeAndTheValuesReadBack) {
    deleteKey(L"Software\\QX703");
    deleteKey(L"Software\\QX915");
    const auto store = openUserSettings();
    // A copy run from a folder has no installer to make the keys: the first
    // start makes them, and what it stores is there at the next one.
    std::string name = "kept";
    EXPECT_TRUE(StoreLanguage(*store, 4));
    EXPECT_EQ(LoadLanguage(*store), 4);
    HKEY probe = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\QX915", 0, KEY_READ, &probe), ERROR_SUCCESS);
    RegCloseKey(probe);
    // A missing value becomes the default, written back; a name is stored
    // without its terminating zero, non-ASCII intact.
    LoadCurrentProfileName(*store, name);
    EXPECT_EQ(name, "Profile_1.bin");
    StoreCurrentProfileName(*store, "Spiel \xc3\xbc.bin");
    DWORD size = 0;
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\QX703", L"CurrentProfileName", RRF_RT_ANY, nullptr, nullptr,
                           &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 2u * 12u);
    LoadCurrentProfileName(*store, name);
    EXPECT_EQ(name, "Spiel \xc3\xbc.bin");
    EXPECT_TRUE(StoreLanguage(*store, 9));
    EXPECT_EQ(LoadLanguage(*store), 9);
    deleteKey(L"Software\\QX703");
    deleteKey(L"Software\\QX915");
}

TEST(WindowsAutostart, RunValueQuotesThePathAndGoesAway) {
    const std::filesystem::path exe = L"C:\\Program Files\\Morvane\\morvane.exe";
    ASSERT_EQ(setAutostart(true, exe), "");
    EXPECT_TRUE(autostartEnabled());
    wchar_t text[512];
    DWORD size = sizeof text;
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", L"Morvane",
                           RRF_RT_REG_SZ, nullptr, text, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(text), L"\"C:\\Program Files\\Morvane\\morvane.exe\" --tray");
    ASSERT_EQ(setAutostart(false, exe), "");
    EXPECT_FALSE(autostartEnabled());
    EXPECT_EQ(setAutostart(false, exe), "") << "removing what is not there is no failure";
}

TEST(WindowsFileLock, SecondHolderIsToldWhoHasItUntilItLetsGo) {
    test::TempFolder dir;
    const auto file = dir / "keyboard.lock";
    FileLock first, second;
    LockHolder holder;
    std::string error;
    ASSERT_EQ(first.tryLock(file, "morvane", "C:\\data", holder, error), FileLock::State::Taken);
    ASSERT_EQ(second.tryLock(file, "morvane-cli", "x", holder, error), FileLock::State::Busy);
    EXPECT_EQ(holder.program, "morvane");
    EXPECT_EQ(holder.pid, static_cast<long>(GetCurrentProcessId()));
    EXPECT_EQ(holder.what, "C:\\data");
    first.release();
    EXPECT_EQ(second.tryLock(file, "morvane-cli", "x", holder, error), FileLock::State::Taken);
    EXPECT_EQ(first.tryLock(dir.path(), "morvane", "", holder, error), FileLock::State::Failed);
    EXPECT_FALSE(error.empty());
}

TEST(WindowsHandoff, ChainGoesThroughTheProgramsPipeAndItsAnswerComesBack) {
    std::string error;
    const auto runtime = privateRuntimeFolder(error);
    ASSERT_FALSE(runtime.empty()) << error;
    const auto socket = handoffSocketPath(runtime, "C:\\some\\folder");
    HandoffReply reply;
    HandoffRequest request{"sim:kb.bin", {{"show"}, {"set", "speed", "2"}}};
    EXPECT_EQ(sendHandoff(socket, request, reply, error), HandoffResult::NoProgram);

    const std::u16string name = toUtf16(localEndpointName(socket));
    const HANDLE pipe = CreateNamedPipeW(std::wstring(name.begin(), name.end()).c_str(), PIPE_ACCESS_DUPLEX,
                                         PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 65536, 65536, 0, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    HandoffRequest received;
    std::thread program([&] {
        ConnectNamedPipe(pipe, nullptr);
        std::string bytes;
        char buf[4096];
        DWORD got = 0;
        while (decodeRequest(bytes, received) == Decoded::Incomplete && ReadFile(pipe, buf, sizeof buf, &got, nullptr))
            bytes.append(buf, got);
        // A note that the chain waits, then the answer.
        const std::string answer = encodeProgress(HandoffProgress::Busy) + encodeProgress(HandoffProgress::Running) +
                                   encodeReply({3, "shown\n", "morvane-cli: no\n"});
        DWORD written = 0;
        WriteFile(pipe, answer.data(), static_cast<DWORD>(answer.size()), &written, nullptr);
        FlushFileBuffers(pipe);
        DisconnectNamedPipe(pipe);
    });
    EXPECT_EQ(sendHandoff(socket, request, reply, error), HandoffResult::Answered) << error;
    program.join();
    CloseHandle(pipe);
    EXPECT_EQ(received.device, "sim:kb.bin");
    EXPECT_EQ(received.commands, request.commands);
    EXPECT_EQ(reply.status, 3);
    EXPECT_EQ(reply.out, "shown\n");
    EXPECT_EQ(reply.err, "morvane-cli: no\n");
}

TEST(WindowsDeviceNotifications, OnlyTheKeyboardsOwnInterfacesCount) {
    const std::string control = R"(\\?\hid#vid_04d9&pid_a2a0&mi_03#7&1a2b&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030})";
    const std::string events =
        R"(\\?\hid#vid_04d9&pid_a2a0&mi_01&col04#7&3c4d&0&0003#{4d1e55b2-f16f-11cf-88cb-001111000030})";
    std::uint16_t vid = 0, pid = 0;
    ASSERT_TRUE(parseDevicePathIds(R"(\\?\HID#VID_04D9&PID_A247&MI_03#x)", vid, pid));
    EXPECT_EQ(vid, 0x04D9);
    EXPECT_EQ(pid, 0xA247);
    EXPECT_FALSE(parseDevicePathIds(R"(\\?\hid#vid_04d9&pid_a2#x)", vid, pid));
    // Notifications spell paths in capitals where the search gave small letters.
    std::string upper = control;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(meaningOf({false, upper}, control, events), InterfaceChangeMeaning::KeyboardRemoved);
    EXPECT_EQ(meaningOf({false, events}, "", events), InterfaceChangeMeaning::KeyboardRemoved);
    EXPECT_EQ(meaningOf({false, R"(\\?\hid#vid_046d&pid_c52b#x)"}, control, events), InterfaceChangeMeaning::Nothing);
    EXPECT_EQ(meaningOf({false, control}, "", ""), InterfaceChangeMeaning::Nothing) << "nothing open";
    EXPECT_EQ(meaningOf({true, R"(\\?\HID#VID_04D9&PID_A247&MI_03#x)"}, "", ""),
              InterfaceChangeMeaning::KeyboardMayHaveArrived);
    EXPECT_EQ(meaningOf({true, R"(\\?\hid#vid_04d9&pid_1702#x)"}, "", ""), InterfaceChangeMeaning::Nothing);
    EXPECT_EQ(meaningOf({true, R"(\\?\hid#vid_046d&pid_c52b#x)"}, "", ""), InterfaceChangeMeaning::Nothing);
}

}  // namespace
}  // namespace morvane
