// The settings panel: where its parts sit as sections fold, what clicks on it
// and on its lists do, how the sliders follow the image, what it paints.
#include <gtest/gtest.h>

#include <functional>

#include <algorithm>

#include "app/panel/panel_model.h"
#include "session/session.h"
#include "temp_folder.h"

namespace morvane {
namespace {

bool has(const DrawList& dl, const DrawOp& op) { return std::ranges::count(dl.ops(), op) > 0; }
bool hasText(const DrawList& dl, const std::string& text, int x, int y, int height = 15) {
    return has(dl, DrawText{text, x, y, height, 300});
}

class PanelTest : public ::testing::Test {
protected:
    void start(std::uint16_t language = kLanguageEnglish, std::string device = "none") {
        SessionOptions o;
        o.programFolder = folder.path();
        o.device = device;
        o.uiLanguage = language;
        session = std::make_unique<Session>(o);
        ASSERT_TRUE(session->start().ok);
        panel = std::make_unique<PanelModel>(*session);
    }
    void SetUp() override { start(); }
    // Starts again without a keyboard on a "keymap.bin" whose image `edit`
    // changed, as a file or a profile may hold it.
    void restartWith(const std::function<void(DeviceImage&)>& edit) {
        DeviceImage image = session->liveImage();
        edit(image);
        ASSERT_TRUE(SaveAssignmentStore(folder.path(), image, session->liveRecords()));
        start();
    }

    const DeviceImage& image() const { return session->liveImage(); }
    DrawList compose() const {
        DrawList dl;
        panel->compose(dl);
        return dl;
    }
    PlaceSlider slider(int id) const {
        for (const PlaceSlider& s : panel->sliders())
            if (s.id == id) return s;
        return {};
    }
    // Light header (when folded), effect box, then a list row.
    void pickEffectRow(int row) {
        if (panel->lightCollapsed()) panel->click(100, 120);
        panel->click(100, 165);
        ASSERT_TRUE(panel->effectListOpen());
        panel->click(100, kEffectListTop + 20 * row + 5);
    }

    test::TempFolder folder;
    std::unique_ptr<Session> session;
    std::unique_ptr<PanelModel> panel;
};

TEST_F(PanelTest, SectionsMoveWithTheLightAndResponseSections) {
    const struct {
        bool lightOpen, responseOpen;
        int macroY, gameModeY, responseY, reportRateY;
    } cases[] = {
        {false, false, 140, 195, 250, 290},
        {false, true, 140, 195, 250, 325},
        {true, false, 335, 390, 445, 485},
        {true, true, 335, 390, 445, 520},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "light " << c.lightOpen << " response " << c.responseOpen);
        panel->foldAll();
        if (c.lightOpen) panel->click(100, 120);
        if (c.responseOpen) panel->click(100, panel->layout().responseY + 5);
        const PanelLayout l = panel->layout();
        EXPECT_EQ(l.macroY, c.macroY);
        EXPECT_EQ(l.gameModeY, c.gameModeY);
        EXPECT_EQ(l.responseY, c.responseY);
        EXPECT_EQ(l.reportRateY, c.reportRateY);
        // The hit test and the painting follow the same layout, edges included.
        EXPECT_EQ(panel->hitTest(19, c.macroY + 10), areas::MacroManagement);
        EXPECT_EQ(panel->hitTest(261, c.gameModeY), areas::GameModeHeader);
        EXPECT_EQ(panel->hitTest(19, c.responseY + 20), areas::ResponseHeader);
        EXPECT_EQ(panel->hitTest(100, c.reportRateY + 20), areas::ReportRateHeader);
        EXPECT_EQ(panel->hitTest(100, c.reportRateY + 21), areas::None);
        const DrawList dl = compose();
        EXPECT_TRUE(has(dl, DrawPicture{"MacroManagementBK.png", 19, c.macroY}));
        EXPECT_TRUE(hasText(dl, "USB Report Rate", 19, c.reportRateY));
        EXPECT_EQ(slider(kReportRateSlider).y, c.reportRateY + 23);
    }
}

TEST_F(PanelTest, EffectListClicksPickUpToRowSeventeenAndAlwaysClose) {
    restartWith([](DeviceImage& m) { m.lightEffect = 1; });
    pickEffectRow(0);
    EXPECT_EQ(image().lightEffect, 0);
    panel->click(100, 165);
    panel->click(100, 532);  // last pixel row of row 17
    EXPECT_FALSE(panel->effectListOpen());
    EXPECT_EQ(image().lightEffect, 55);  // DIY5

    session->setEffect(1);
    for (const auto& [x, y] : {std::pair{100, 533}, std::pair{27, 200}}) {  // below, left of the list
        panel->click(100, 165);
        panel->click(x, y);
        EXPECT_FALSE(panel->effectListOpen());
        EXPECT_EQ(image().lightEffect, 1);
    }
    // The hovered row follows the pointer inside the same bounds.
    panel->click(100, 165);
    EXPECT_TRUE(panel->hover(248, 532));
    EXPECT_EQ(panel->effectHoverRow(), 17);
    EXPECT_TRUE(panel->hover(248, 533));
    EXPECT_EQ(panel->effectHoverRow(), kNoRow);
}

TEST_F(PanelTest, WaveUsesColourEightAndStaticTurnsItBackToOne) {
    restartWith([](DeviceImage& m) { m.lightColour = 3; });
    pickEffectRow(2);  // Wave
    EXPECT_EQ(image().lightColour, 8);
    panel->click(214, 212);  // arrow L, bottom-right corner
    EXPECT_EQ(image().lightDirection, 0);
    DrawList dl = compose();
    EXPECT_TRUE(has(dl, DrawPicture{"Direction-T-Disable.png", 29, 197}));
    EXPECT_TRUE(has(dl, DrawPicture{"Direction-L-Enable.png", 179, 197}));
    EXPECT_TRUE(slider(kSpeedSlider).shown);

    pickEffectRow(0);  // Static
    EXPECT_EQ(image().lightColour, 1);
    dl = compose();
    EXPECT_FALSE(has(dl, DrawPicture{"Direction-T-Disable.png", 29, 197}));
    EXPECT_FALSE(slider(kSpeedSlider).shown);
    // Off Wave the arrows' places do nothing.
    panel->click(30, 200);
    EXPECT_EQ(image().lightDirection, 0);
}

TEST_F(PanelTest, DiyEffectChoosesPaintingAndKeymapChoiceKeepsTheEffect) {
    pickEffectRow(15);  // DIY3
    EXPECT_EQ(image().lightEffect, 53);
    EXPECT_TRUE(session->diyEditMode());
    EXPECT_TRUE(has(compose(), DrawPicture{"Enable.png", 130, 199}));

    panel->click(35, 207);  // "Keymap"
    EXPECT_FALSE(session->diyEditMode());
    EXPECT_EQ(image().lightEffect, 53);
    const DrawList dl = compose();
    EXPECT_TRUE(has(dl, DrawPicture{"Enable.png", 28, 199}));
    EXPECT_TRUE(has(dl, DrawPicture{"Disable.png", 130, 199}));

    panel->click(144, 214);  // "DIY"
    EXPECT_TRUE(session->diyEditMode());
    pickEffectRow(1);  // any other effect ends painting
    EXPECT_FALSE(session->diyEditMode());
}

TEST_F(PanelTest, AnOpenListHidesThePanelTextsUnderIt) {
    panel->click(100, 120);
    panel->click(100, 165);
    ASSERT_TRUE(panel->effectListOpen());
    const DrawList dl = compose();
    for (const DrawOp& op : dl.ops()) {
        const auto* t = std::get_if<DrawText>(&op);
        if (!t || t->y < kEffectListTop || t->y >= kEffectListTop + 20 * 18) continue;
        // Only the list's own rows start in its span.
        EXPECT_EQ(t->x, kEffectListLeft + 6) << t->text;
        EXPECT_EQ(t->height, 18) << t->text;
    }
}

TEST_F(PanelTest, AClickWhileAListIsOpenOnlyClosesTheList) {
    session->setEffect(4);
    panel->click(100, 120);
    panel->click(100, 165);
    panel->click(100, 120);  // the Light header
    EXPECT_FALSE(panel->effectListOpen());
    EXPECT_FALSE(panel->lightCollapsed());
    EXPECT_EQ(image().lightEffect, 4);

    // The response list ends right above its box; its rows name steps 1..10.
    panel->click(100, panel->layout().responseY + 5);
    const int t = panel->layout().sectionTop;
    ASSERT_TRUE(session->setResponseTimeStep(3));
    panel->click(100, t + 255);
    panel->click(100, t + 247);  // the box's first row, not the list's
    EXPECT_EQ(image().responseTimeStep, 3);
    panel->click(100, t + 255);
    panel->click(247, t + 246);
    EXPECT_EQ(image().responseTimeStep, 10);
    EXPECT_TRUE(hasText(compose(), "20 ms", 100, t + 248));
    panel->click(100, t + 255);
    // The list marks the step in use, in bold red.
    EXPECT_TRUE(has(compose(), DrawText{"20ms", 97, t + 227, 18, 700, Colour{255, 110, 116}}));
    EXPECT_TRUE(hasText(compose(), "18ms", 97, t + 207, 18));
}

TEST_F(PanelTest, ChineseFoldedGameModeLineHoldsOneText) {
    start(kLanguageChinese);
    DrawList dl = compose();
    EXPECT_TRUE(hasText(dl, "游戏模式", 19, 195));
    EXPECT_EQ(std::ranges::count_if(dl.ops(), [](const DrawOp& op) {
                  const auto* t = std::get_if<DrawText>(&op);
                  return t && t->y == 195;
              }),
              1);
    panel->click(100, 200);
    EXPECT_TRUE(hasText(compose(), "Win键锁定", 149, 195));
}

TEST_F(PanelTest, SlidersShowTheImageAndPaintingWritesNothing) {
    restartWith([](DeviceImage& m) {
        m.lightEffect = 1;
        m.lightColour = 0;  // against the colour rule, as a keyboard may report it
        m.lightSpeed = 7;   // out of the slider's range
        m.reportRateStep = 3;
    });
    panel->click(100, 120);
    panel->click(100, panel->layout().reportRateY + 5);
    const DeviceImage before = image();
    compose();
    EXPECT_EQ(image(), before);
    EXPECT_EQ(slider(kSpeedSlider), (PlaceSlider{kSpeedSlider, 28, 303, true, 4}));
    EXPECT_EQ(slider(kReportRateSlider), (PlaceSlider{kReportRateSlider, 28, 508, true, 3}));

    EXPECT_FALSE(panel->sliderMoved(kReportRateSlider, 3));
    EXPECT_TRUE(panel->sliderMoved(kSpeedSlider, 4));
    EXPECT_EQ(image().lightSpeed, 4);
    EXPECT_EQ(image().lightColour, 1);  // the lighting leaves with a valid colour

    // An open list hides every slider (the report-rate one sits over effect rows 16 and 17).
    panel->click(100, 165);
    for (const PlaceSlider& s : panel->sliders()) EXPECT_FALSE(s.shown) << s.id;
    panel->click(0, 0);
    panel->click(100, panel->layout().responseY + 5);
    panel->click(100, panel->layout().sectionTop + 255);
    ASSERT_TRUE(panel->responseListOpen());
    EXPECT_FALSE(slider(kReportRateSlider).shown);
}

TEST_F(PanelTest, EditsWaitWhileTheKeyboardIsBusy) {
    start(kLanguageEnglish, "sim:" + (folder / "kb.bin").string());
    panel->click(100, 120);
    panel->click(100, 395);  // Game Mode header
    session->setGameMode(true);
    session->beginSave([](Outcome) {});
    ASSERT_TRUE(session->busy());
    const DeviceImage before = image();

    panel->click(100, 165);
    EXPECT_TRUE(panel->click(100, 180).refused);
    EXPECT_FALSE(panel->effectListOpen());
    EXPECT_TRUE(panel->sliderMoved(kBrightnessSlider, 4));  // true: back to the image
    EXPECT_TRUE(panel->click(110, 425).refused);            // Game Mode OFF
    EXPECT_TRUE(panel->click(100, 350).refused);            // the macro manager
    EXPECT_EQ(image(), before);

    session->waitIdle();
    EXPECT_TRUE(panel->click(100, 350).openMacroManager);
    panel->click(110, 425);
    EXPECT_EQ(image().gameMode, 0);
}

}  // namespace
}  // namespace morvane
