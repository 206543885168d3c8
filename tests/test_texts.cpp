// The table of the program's texts: every text has both languages, and only
// the Chinese language word picks the Chinese one.
#include <gtest/gtest.h>


#include "base/texts.h"

namespace morvane {
namespace {

TEST(Texts, EveryRowHasBothLanguages) {
    for (int i = 0; i < static_cast<int>(Text::Count); ++i) {
        const Text id = static_cast<Text>(i);
        EXPECT_STRNE(text(id, kLanguageEnglish), "") << "English text " << i;
        EXPECT_STRNE(text(id, kLanguageChinese), "") << "Chinese text " << i;
    }
    EXPECT_STREQ(text(Text::Count, kLanguageEnglish), "");
}

TEST(Texts, ChineseOnlyForItsLanguageWord) {
    EXPECT_STREQ(text(Text::Cancel, kLanguageChinese), "取消");
    for (const std::uint16_t other : {std::uint16_t{0}, kLanguageEnglish, std::uint16_t{1033}, std::uint16_t{0xFFFF}})
        EXPECT_STREQ(text(Text::Cancel, other), "Cancel") << other;
}

TEST(Texts, LinesSplitAtLineFeeds) {
    const auto english = textLines(Text::RecordDelayCaption, kLanguageEnglish);
    ASSERT_EQ(english.size(), 3u);
    EXPECT_EQ(english[0], "Record Delay");
    EXPECT_EQ(english[2], "keystrokes");
    EXPECT_EQ(textLines(Text::RecordDelayCaption, kLanguageChinese).size(), 3u);  // short lines clear of the tick
    // A text without a line feed is one line; a trailing one leaves an empty last line.
    EXPECT_EQ(textLines(Text::Cancel, kLanguageEnglish), (std::vector<std::string_view>{"Cancel"}));
    EXPECT_EQ(textLines(Text::SelectFolder, kLanguageEnglish),
              (std::vector<std::string_view>{"Please select a folder", ""}));
}

}  // namespace
}  // namespace morvane
