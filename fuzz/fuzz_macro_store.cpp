// "MacroDefine.bin" as any bytes: the load, each macro's rows for the macro
// manager, the row-to-event mapping, and the packing into the keyboard's blocks.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "macro/macro_rows.h"
#include "macro/macro_store.h"
#include "platform/utf.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace morvane;
    // Made once and cleared at each input: allocating the tables anew each
    // run costs more than the run itself.
    static auto* const table = new MacroTable;
    static auto* const image = new DeviceImage;
    table->fill(MacroSlot{});
    ParseMacroStore(std::span<const std::uint8_t>(data, size), *table);
    for (int k = 0; k < kMacroSlotCount && !(*table)[k].isFree(); ++k) {
        const MacroSlot& slot = (*table)[k];
        (void)toUtf8(slot.nameText());
        const int events = slot.eventCount();
        if (events < 0 || events > kMacroEventCount) std::abort();
        (void)sequenceLength(slot.deviceEvents);
        const std::vector<std::string> rows = MacroRows(slot);
        for (int row = 0; row <= static_cast<int>(rows.size()) + 1; ++row) {
            const int event = EventOfRow(slot, row);
            // A row names an event of the sequence, or its end.
            if (event < 0 || event > events) std::abort();
        }
    }
    *image = DeviceImage{};
    PackMacroBlocks(*table, *image);
    return 0;
}
