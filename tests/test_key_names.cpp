#include <gtest/gtest.h>

#include <set>

#include "base/key_names.h"

using namespace morvane;

TEST(KeyNameTable, UsagesAndNamesWithTheirExactTrailingBlanks) {
    struct Row { int vk, usage; const char* name; };
    const Row rows[] = {
        {0x30, 0x27, "0"}, {0x31, 0x1E, "1 "}, {0x39, 0x26, "9 "}, {0x41, 0x04, "A "}, {0x5A, 0x1D, "Z "},
        {0x70, 0x3A, "F1 "}, {0x7B, 0x45, "F12 "}, {0x61, 0x59, "1-num "}, {0x69, 0x61, "9-num "},
        {0x60, 0x62, "0-num "}, {0xDC, 0x32, "\\ "}, {0xAE, 0xEA, "Volume DOWN "}, {0xB5, 0x83, "Media "},
        {0xB3, 0xCD, "Play/Pause"},
        // same name, different usage
        {0x0D, 0x28, "Enter "}, {0x6C, 0x58, "Enter "}, {0xBD, 0x2D, "- "}, {0x6D, 0x56, "- "},
        {0xBE, 0x37, ". "}, {0x6E, 0x63, ". "}, {0xBF, 0x38, "/ "}, {0x6F, 0x54, "/ "},
        // mouse codes, and codes nobody named
        {0xF0, 0xF0, "MsLB"}, {0xF2, 0xF2, "MsMB"}, {0xF3, 0xF3, ""}, {0xF4, 0xF4, ""},
        {0xF7, 0xF7, "Mouse pointer Down"}, {0xF9, 0xF9, "Mouse Wheel Down"},
        {0x5F, 0, ""}, {0x00, 0, ""}, {0xFA, 0, ""}, {0xFF, 0, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "virtual key 0x" << std::hex << r.vk);
        EXPECT_EQ(keyNames()[r.vk].virtualKey, r.vk);
        EXPECT_EQ(keyUsage(static_cast<std::uint8_t>(r.vk)), r.usage);
        EXPECT_EQ(keyName(static_cast<std::uint8_t>(r.vk)), r.name);
    }
    EXPECT_EQ(&keyNames(), &keyNames());
}

TEST(KeyTables, PositionsAndBitsOfSampleKeys) {
    struct Sample { int key, vk, position, bit; };
    // Row and column of the keyboard matrix, worked out by hand per key.
    const Sample samples[] = {
        {54, 0xDC, 76, 109},   // "\"  row 3 column 13
        {0, 0x1B, 105, 160},   // Esc row 5 column 0
        {12, 0x7B, 118, 173},  // F12 row 5 column 13
        {15, 0x13, 121, 176},  // Pause row 5 column 16
        {40, 0x6D, 104, 148},  // keypad - row 4 column 20
        {61, 0x6B, 62, 84},    // keypad + row 2 column 20
        {74, 0x0D, 55, 77},    // Enter row 2 column 13
        {89, 0xA1, 33, 44},    // RShift row 1 column 12
        {94, 0x6C, 20, 20},    // keypad Enter row 0 column 20
        {95, 0xA2, 0, 0},      // LCtrl row 0 column 0
        {100, 0x5D, 10, 10},   // right of RAlt row 0 column 10
        {101, 0x5D, 11, 11},   // Apps row 0 column 11
        {107, 0x6E, 19, 19},   // keypad . row 0 column 19
        {17, 0xB5, 0, 0},      // media key, not in the matrix
    };
    for (const Sample& s : samples) {
        SCOPED_TRACE(s.key);
        EXPECT_EQ(keyVirtualKey[s.key], s.vk);
        EXPECT_EQ(keyPosition[s.key], s.position);
        EXPECT_EQ(keyEnableBit[s.key], s.bit);
    }
    EXPECT_EQ(keyVirtualKey[108], 0xE9);
    EXPECT_EQ(keyVirtualKey[112], 0xED);
}

TEST(KeyTables, MatrixKeysNeverShareAPositionOrBit) {
    std::set<int> positions, bits;
    for (int k = 0; k < kMatrixKeyCount; ++k) {
        if (k >= 16 && k <= 19) continue;
        EXPECT_TRUE(positions.insert(keyPosition[k]).second) << k;
        EXPECT_TRUE(bits.insert(keyEnableBit[k]).second) << k;
        EXPECT_LE(keyPosition[k], 125);
        EXPECT_LT(keyEnableBit[k], 24 * 8);
        EXPECT_NE(keyUsage(keyVirtualKey[k]), 0) << k;
    }
}

TEST(KeyTables, ModelsShowTheirKeys) {
    int full = 0, tenkeyless = 0;
    for (int k = -1; k <= kKeyCount; ++k) {
        full += keyOnModel(k, KeyboardModel::FullSize);
        tenkeyless += keyOnModel(k, KeyboardModel::Tenkeyless);
        EXPECT_FALSE(keyOnModel(k, KeyboardModel::None));
    }
    EXPECT_EQ(full, 104);
    EXPECT_EQ(tenkeyless, 87);
    for (int k : {16, 19, 108, 112}) EXPECT_FALSE(keyOnModel(k, KeyboardModel::FullSize)) << k;
    for (int k : {37, 40, 58, 61, 75, 77, 91, 94, 106, 107}) {
        EXPECT_TRUE(keyOnModel(k, KeyboardModel::FullSize)) << k;
        EXPECT_FALSE(keyOnModel(k, KeyboardModel::Tenkeyless)) << k;
    }
    for (int k : {36, 41, 57, 62, 74, 78, 90, 95, 105}) EXPECT_TRUE(keyOnModel(k, KeyboardModel::Tenkeyless)) << k;
}

TEST(ParseVirtualKey, NumbersAndNames) {
    const std::pair<const char*, int> good[] = {
        {"0x41", 0x41}, {"0X1b", 0x1B}, {"0xff", 0xFF}, {"65", 65},         {"255", 255},
        {"a", 0x41},    {"A ", 0x41},   {"LCtrl", 0xA2}, {"lctrl", 0xA2},   {"F5", 0x74},
        {"MsLB", 0xF0}, {"Enter", 0x0D}, {"-", 0xBD}, {"/", 0xBF}, {"volume down", 0xAE}, {"\\", 0xDC},
        {"1", 0x31},    {"0", 0x30},    {"Play/Pause", 0xB3}, {" Esc ", 0x1B},
    };
    for (const auto& [text, vk] : good) EXPECT_EQ(parseVirtualKey(text), std::optional<std::uint8_t>(vk)) << text;

    for (const char* bad : {"", "   ", "0x", "0x100", "256", "-1", "+5", "0x4G", "12a", "Nope", "F13",
                            "99999999999999999999", "0x99999999999999999999"})
        EXPECT_EQ(parseVirtualKey(bad), std::nullopt) << bad;
}
