// "keymap.bin" as any bytes: the load, then everything the program does with
// the records it took (changed marks, launch lookups, path texts).
#include <cstddef>
#include <cstdint>
#include <span>

#include "base/key_names.h"
#include "keymap/assignment_store.h"
#include "keymap/launch.h"
#include "platform/utf.h"

namespace {

struct NoShell final : morvane::Shell {
    bool startProgram(const std::filesystem::path&, const std::filesystem::path&) override { return true; }
    bool openWithDesktop(const std::filesystem::path&, const std::filesystem::path&) override { return true; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace morvane;
    // Made once and cleared at each input: a fresh allocation of these
    // 200 KB a run spends most of the fuzzer's time in the allocator.
    static auto* const image = new DeviceImage;
    static auto* const records = new AssignmentRecords;
    static auto* const marks = new KeyChangedMarks;
    *image = DeviceImage{};
    records->fill(AssignmentRecord{});
    marks->fill(0);
    bool recordsOnly = size > 0 && (data[0] & 1);
    ParseAssignmentStore(std::span<const std::uint8_t>(data, size), *image, *records, recordsOnly);
    markChangedKeys(*image, *records, *marks);
    NoShell shell;
    for (int i = 0; i < kRecordCount; ++i) {
        const AssignmentRecord& r = (*records)[i];
        const std::string path = toUtf8(r.pathText());
        (void)splitLaunchPath(r.pathText());
        if (r.kind >= KindPlaySound && r.kind <= KindOpenFolder) (void)LaunchAssignedTarget(r.keyCode, *records, shell);
        (void)path;
    }
    for (int k = 0; k < kMatrixKeyCount; ++k) setKeyEntry(*image, k, keyEntryOf(*image, k));
    return 0;
}
