// The settings file as any text: both values the program keeps are looked up
// and set, and a value once set reads back as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/settings_store.h"
#include "platform/utf.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace morvane;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = std::min(text.find('\x01'), text.size());
    const std::string_view content = text.substr(0, cut);
    const std::u16string value = toUtf16(text.substr(std::min(cut + 1, text.size())));
    const std::vector<std::string> lines = splitLines(content);
    for (const char* key : {"Morvane\\Profile", "Morvane\\Language"}) {
        (void)iniValue(lines, key, "CurrentProfileName");
        const auto written = iniWithValue(lines, key, "CurrentProfileName", value);
        if (!written) continue;
        const auto back = iniValue(splitLines(*written), key, "CurrentProfileName");
        if (!back || *back != toUtf16(toUtf8(value))) std::abort();
    }
    return 0;
}
