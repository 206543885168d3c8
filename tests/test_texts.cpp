// The tables of the program's texts: every text has both languages, and only
// the Chinese language word picks the Chinese one.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/session_texts.h"
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

// A Chinese line that lost a %n would drop a path or a reason from the notice.
TEST(Texts, SessionTextsCarryTheSameArgumentsInBothLanguages) {
    const auto marks = [](std::string_view s) {
        std::string found;
        for (std::size_t at = s.find('%'); at != std::string_view::npos; at = s.find('%', at + 1))
            if (at + 1 < s.size()) found += s[at + 1];
        std::sort(found.begin(), found.end());
        return found;
    };
    for (int i = 0; i < static_cast<int>(SessionText::Count); ++i) {
        const auto id = static_cast<SessionText>(i);
        const std::string english = sessionText(id, kLanguageEnglish, {"%1", "%2", "%3", "%4"});
        const std::string chinese = sessionText(id, kLanguageChinese, {"%1", "%2", "%3", "%4"});
        EXPECT_FALSE(chinese.empty()) << i;
        EXPECT_EQ(marks(english), marks(chinese)) << i << ": " << english << " / " << chinese;
        EXPECT_EQ(english, sessionText(id, 1033, {"%1", "%2", "%3", "%4"})) << i;
    }
    // Arguments go in once, in one pass: a path holding "%2" stays as it is.
    EXPECT_EQ(sessionText(SessionText::LogCannotOpen, kLanguageEnglish, {"/tmp/%2.log", "gone"}),
              "the log file \"/tmp/%2.log\" cannot be opened for appending (gone)");
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
