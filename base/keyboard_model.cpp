#include "base/keyboard_model.h"

#include <cstddef>
#include <iterator>

namespace morvane {

namespace {

// One row per KeyboardModel, in the enum's order (checked below).
constexpr KeyboardModelInfo kModels[] = {
    {KeyboardModel::None, 0, "none", 0, 0, ModelKeys::None, "", "", "", ""},
    {KeyboardModel::FullSize, 1, "full-size (04D9:A2A0)", kKeyboardVendorId, 0xA2A0, ModelKeys::AllKeys, "kb_BK.png",
     "kb_hl.png", "VER.bin", "Morvane_Update.exe"},
    {KeyboardModel::Tenkeyless, 2, "87-key (04D9:A247)", kKeyboardVendorId, 0xA247, ModelKeys::AllButKeypad,
     "kb_BK_87.png", "kb_hl_87.png", "VER87.bin", "Morvane87_Update.exe"},
};

constexpr bool rowsFollowTheEnum() {
    for (std::size_t i = 0; i < std::size(kModels); ++i)
        if (kModels[i].model != static_cast<KeyboardModel>(i)) return false;
    return true;
}

static_assert(std::size(kModels) == std::size(kKeyboardModels) + 1, "every KeyboardModel needs its row in kModels");
static_assert(rowsFollowTheEnum(), "the rows of kModels must follow the order of enum KeyboardModel");

}  // namespace

const KeyboardModelInfo& keyboardModelInfo(KeyboardModel model) {
    const auto i = static_cast<std::size_t>(model);
    return i < std::size(kModels) ? kModels[i] : kModels[0];
}

KeyboardModel keyboardModelOfProduct(std::uint16_t vendorId, std::uint16_t productId) {
    for (KeyboardModel model : kKeyboardModels) {
        const KeyboardModelInfo& info = keyboardModelInfo(model);
        if (info.vendorId == vendorId && info.productId == productId) return model;
    }
    return KeyboardModel::None;
}

}  // namespace morvane
