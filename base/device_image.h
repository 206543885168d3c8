// The 4564-byte record that mirrors everything the keyboard stores. It is also
// the first block of "keymap.bin" and of every profile file, so its layout is a
// file format: every offset below is checked at compile time.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>

namespace morvane {

inline constexpr std::size_t kImageSize = 4564;
inline constexpr int kMacroBlockCount = 5;
inline constexpr std::size_t kMacroBlockSize = 512;
inline constexpr int kDiyMapCount = 5;
inline constexpr std::size_t kDiyMapSize = 128;
inline constexpr std::size_t kKeyTableSize = 512;
inline constexpr std::size_t kEnableBitsSize = 24;

// Lighting effect codes with a meaning of their own.
inline constexpr std::uint8_t kEffectStatic = 0;
inline constexpr std::uint8_t kEffectWave = 2;
inline constexpr std::uint8_t kEffectDiyFirst = 51;
inline constexpr std::uint8_t kEffectDiyLast = 55;

struct DeviceImage {
    std::array<std::uint8_t, 11> reserved0{};
    std::uint8_t reportRateStep = 0;
    std::array<std::uint8_t, 780> reserved1{};
    std::array<std::uint8_t, kKeyTableSize> keyTable{};
    std::array<std::array<std::uint8_t, kMacroBlockSize>, kMacroBlockCount> macroBlocks{};
    std::uint8_t reserved2 = 0;
    std::uint8_t responseTimeStep = 0;
    std::uint8_t lightEffect = 0;
    std::uint8_t lightSpeed = 0;
    std::uint8_t lightBrightness = 0;
    std::uint8_t lightColour = 0;
    std::uint8_t lightDirection = 0;
    std::array<std::uint8_t, 21> reserved3{};
    std::uint8_t gameMode = 0;
    std::array<std::uint8_t, kEnableBitsSize> keyEnableBits{};
    std::uint8_t winLock = 0;
    std::array<std::array<std::uint8_t, kDiyMapSize>, kDiyMapCount> diyMaps{};
    std::array<std::uint8_t, 4> deviceParams{};
    std::array<std::uint8_t, 2> reserved4{};

    std::uint8_t* bytes() { return reinterpret_cast<std::uint8_t*>(this); }
    const std::uint8_t* bytes() const { return reinterpret_cast<const std::uint8_t*>(this); }

    bool enableBit(int bit) const { return (keyEnableBits[bit / 8] >> (bit % 8)) & 1; }
    void setEnableBit(int bit, bool on);

    friend bool operator==(const DeviceImage&, const DeviceImage&) = default;
};

static_assert(sizeof(DeviceImage) == kImageSize);
static_assert(offsetof(DeviceImage, reserved0) == 0);
static_assert(offsetof(DeviceImage, reportRateStep) == 11);
static_assert(offsetof(DeviceImage, reserved1) == 12);
static_assert(offsetof(DeviceImage, keyTable) == 792);
static_assert(offsetof(DeviceImage, macroBlocks) == 1304);
static_assert(sizeof(DeviceImage::macroBlocks) == 2560);
static_assert(offsetof(DeviceImage, reserved2) == 3864);
static_assert(offsetof(DeviceImage, responseTimeStep) == 3865);
static_assert(offsetof(DeviceImage, lightEffect) == 3866);
static_assert(offsetof(DeviceImage, lightSpeed) == 3867);
static_assert(offsetof(DeviceImage, lightBrightness) == 3868);
static_assert(offsetof(DeviceImage, lightColour) == 3869);
static_assert(offsetof(DeviceImage, lightDirection) == 3870);
static_assert(offsetof(DeviceImage, reserved3) == 3871);
static_assert(offsetof(DeviceImage, gameMode) == 3892);
static_assert(offsetof(DeviceImage, keyEnableBits) == 3893);
static_assert(offsetof(DeviceImage, winLock) == 3917);
static_assert(offsetof(DeviceImage, diyMaps) == 3918);
static_assert(sizeof(DeviceImage::diyMaps) == 640);
static_assert(offsetof(DeviceImage, deviceParams) == 4558);
static_assert(offsetof(DeviceImage, reserved4) == 4562);

// The field groups that write-all compares and sends one by one.
enum class ImageGroup : int {
    GameMode,
    KeyTable,
    ReportRate,
    ResponseTime,
    KeyEnableBits,
    DiyMap0, DiyMap1, DiyMap2, DiyMap3, DiyMap4,
    MacroBlock0, MacroBlock1, MacroBlock2, MacroBlock3, MacroBlock4,
    Lighting,
    DeviceParams,
    WinLock,
    Count
};
inline constexpr int kImageGroupCount = static_cast<int>(ImageGroup::Count);

inline ImageGroup diyMapGroup(int k) { return static_cast<ImageGroup>(static_cast<int>(ImageGroup::DiyMap0) + k); }
inline ImageGroup macroBlockGroup(int k) { return static_cast<ImageGroup>(static_cast<int>(ImageGroup::MacroBlock0) + k); }

class GroupSet {
public:
    void set(ImageGroup g, bool on = true) { bits_.set(static_cast<std::size_t>(g), on); }
    bool has(ImageGroup g) const { return bits_.test(static_cast<std::size_t>(g)); }
    bool any() const { return bits_.any(); }
    bool none() const { return bits_.none(); }
    int count() const { return static_cast<int>(bits_.count()); }
    static GroupSet all();
    GroupSet& operator|=(const GroupSet& other) {
        bits_ |= other.bits_;
        return *this;
    }
    friend GroupSet operator&(GroupSet a, const GroupSet& b) {
        a.bits_ &= b.bits_;
        return a;
    }
    friend bool operator==(const GroupSet&, const GroupSet&) = default;

private:
    std::bitset<kImageGroupCount> bits_;
};

// Short stable name of a group ("gameMode", "diyMap2", ...) for messages and logs.
const char* groupName(ImageGroup g);

// Which groups differ between the two images. Reserved bytes are never compared.
GroupSet changedGroups(const DeviceImage& live, const DeviceImage& shadow);

// Copies the bytes of one group from `from` into `to`.
void copyGroup(DeviceImage& to, const DeviceImage& from, ImageGroup g);
// Makes the group in `shadow` differ from `live` in every byte, so that a
// write of the difference sends it whatever the shadow held.
void markGroupToSend(DeviceImage& shadow, const DeviceImage& live, ImageGroup g);

}  // namespace morvane
