// The main window under Qt Test on the offscreen platform, against the
// simulated keyboard.
#include <gtest/gtest.h>

#include <QTranslator>
#include <QAccessible>
#include <QApplication>

#include <QPushButton>

#include <QMessageBox>

#include <QDir>
#include <QTest>

#include <QTimer>
#include <bitset>
#include <fstream>

#include "app/qt_dispatcher.h"
#include "app/quorlin_app.h"
#include "app/quorlin_dlg.h"
#include "app/app_look.h"
#include "session/session.h"
#include "tests/sim_session.h"
#include "app/keyboard_layout.h"
#include "config/profile_manager.h"
#include "platform/settings_store.h"
#include "device/sim/sim_keyboard.h"
#include "base/key_caps.h"
#include "qt_app.h"
#include "../temp_folder.h"

namespace morvane {
namespace {

const QString kBuildDir = QStringLiteral(MORVANE_BUILD_DIR);

// The window for one simulated keyboard; the skin comes from the build folder.
class WindowTest : public ::testing::Test {
protected:
    void open(const std::string& sim = "", std::uint16_t language = kLanguageEnglish) {
        test::qtApp();
        SessionOptions o;
        o.programFolder = folder.path();
        o.device = "sim:" + (folder / "kb.bin").string() + sim;
        o.uiLanguage = language;
        o.logFile = folder / "log.txt";
        dispatcher = std::make_unique<QtDispatcher>(&context);
        session = makeSimSession(o, dispatcher.get());
        dlg = std::make_unique<CQuorlinDlg>(*session, kBuildDir);
        SessionListener l;
        l.configRead = [this](bool k) { dlg->configRead(k); };
        l.busyChanged = [this](bool b) { dlg->busyChanged(b); };
        session->setListener(l);
        dlg->ask = [this](const Question&) { return answer; };
        ASSERT_TRUE(session->beginStart().ok);
        waitIdle();
        dlg->show();
    }
    void waitIdle() {
        for (int i = 0; i < 500 && session->busy(); ++i) QTest::qWait(5);
        QCoreApplication::processEvents();
    }
    QPoint keyCentre(int key) {
        const KeyRect r = keyboardLayout(session->keyboardModel())[key].rect;
        return {kKeyboardPictureX + (r.left + r.right) / 2, kKeyboardPictureY + (r.top + r.bottom) / 2};
    }
    void click(QPoint p) {
        QTest::mouseMove(dlg.get(), p);
        QTest::mouseClick(dlg.get(), Qt::LeftButton, Qt::NoModifier, p);
    }
    SimKeyboard& sim() { return session.keyboard(); }

    ~WindowTest() override {
        dlg.reset();
        session.session.reset();
    }

    test::TempFolder folder;
    QObject context;
    std::unique_ptr<QtDispatcher> dispatcher;
    SimSession session;
    std::unique_ptr<CQuorlinDlg> dlg;
    bool answer = true;
};

TEST_F(WindowTest, RendersBothModelsInBothLanguages) {
    const QString out = test::screenshotFolder();
    QDir().mkpath(out);
    // The simulator's model option names the screenshots too.
    for (const auto& [tag, model] : {std::pair{std::string("full"), KeyboardModel::FullSize},
                                     std::pair{std::string("87"), KeyboardModel::Tenkeyless}}) {
        for (const std::uint16_t language : {kLanguageEnglish, kLanguageChinese}) {
            dlg.reset();
            session.session.reset();
            std::filesystem::remove(folder / "kb.bin");
            open(",model=" + tag, language);
            ASSERT_EQ(session->keyboardModel(), model);
            const QImage shot = dlg->grab().toImage();
            EXPECT_EQ(shot.deviceIndependentSize().toSize(), QSize(1000, 650));
            const QString name = QStringLiteral("main-%1-%2.png")
                                     .arg(QString::fromStdString(tag))
                                     .arg(language == kLanguageChinese ? QStringLiteral("chinese") : QStringLiteral("english"));
            EXPECT_TRUE(shot.save(out + QLatin1Char('/') + name));
        }
    }
}

TEST_F(WindowTest, RendersTheOpenPanelAndDiyPainting) {
    open();
    click(QPoint(100, 118));  // unfold the Light section
    session->setEffect(2);
    click(QPoint(100, 203));  // unfold Game Mode below it
    const QString out = test::screenshotFolder();
    QDir().mkpath(out);
    EXPECT_TRUE(dlg->grab().save(out + QStringLiteral("/main-panel-open.png")));
    click(QPoint(100, 165));  // the effect list drops open
    EXPECT_TRUE(dlg->grab().save(out + QStringLiteral("/main-effect-list.png")));
    click(QPoint(0, 0));
    session->setEffect(53);
    for (int key : {0, 20, 41, 62, 78, 95, 63, 64, 65, 66}) click(keyCentre(key));
    EXPECT_TRUE(dlg->grab().save(out + QStringLiteral("/main-diy.png")));
}

TEST_F(WindowTest, TheUpdateQuestionComesOverTheShownWindowOnce) {
    std::ofstream(folder / "VER.bin") << "VER: 2.0";  // newer than the keyboard's 1.4
    std::vector<bool> shownWhenAsked;
    test::qtApp();
    answer = false;
    SessionOptions o;
    o.programFolder = folder.path();
    o.device = "sim:" + (folder / "kb.bin").string();
    dispatcher = std::make_unique<QtDispatcher>(&context);
    session = makeSimSession(o, dispatcher.get());
    dlg = std::make_unique<CQuorlinDlg>(*session, kBuildDir);
    dlg->ask = [&](const Question&) {
        shownWhenAsked.push_back(dlg->isVisible());
        return false;
    };
    SessionListener l;
    l.configRead = [this](bool k) { dlg->configRead(k); };
    session->setListener(l);
    ASSERT_TRUE(session->beginStart());
    waitIdle();
    EXPECT_TRUE(shownWhenAsked.empty()) << "no question on an empty screen";
    dlg->show();
    QTest::qWait(20);
    EXPECT_EQ(shownWhenAsked, std::vector<bool>{true});
    dlg->hide();
    dlg->show();
    QTest::qWait(20);
    EXPECT_EQ(shownWhenAsked.size(), 1u) << "asked once per read of the keyboard";
}

TEST_F(WindowTest, ClickOnAKeyInDiyModeTogglesItsLed) {
    open();
    session->setEffect(52);  // DIY2: the picture paints map 1
    ASSERT_TRUE(session->diyEditMode());
    const int led = *keyLedIndex(96);
    click(keyCentre(96));  // Win counts while painting
    EXPECT_EQ(session->liveImage().diyMaps[1][led], 0xFF);
    click(keyCentre(96));
    EXPECT_EQ(session->liveImage().diyMaps[1][led], 0x00);
}

TEST_F(WindowTest, WinAndFnOpenNothingOutsideDiyMode) {
    open();
    const DeviceImage before = session->liveImage();
    for (int key : {96, 100}) {
        QTest::mouseMove(dlg.get(), keyCentre(key));
        const QPoint p = keyCentre(key);
        const ClickOutcome outcome = (dlg->model().press(p.x(), p.y()), dlg->model().release(p.x(), p.y()));
        EXPECT_EQ(outcome.action, WindowAction::None) << key;
    }
    EXPECT_EQ(session->liveImage(), before);
}

TEST_F(WindowTest, SaveRunsWhileTheEventLoopKeepsTurning) {
    open(",realtime");
    session->setEffect(2);
    session->setGameMode(true);
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(5);
    click(QPoint(950, 620));  // Save
    EXPECT_TRUE(session->busy()) << "the write runs on the device thread";
    waitIdle();
    EXPECT_FALSE(session->busy());
    EXPECT_GT(ticks, 5) << "the window kept handling events during the write";
    EXPECT_TRUE(session->unsavedGroups().none());
    EXPECT_EQ(sim().memory().gameMode, 1);
    EXPECT_EQ(sim().memory().lightEffect, 2);
    // The transfer log shows exactly the two changed groups going out after the start-up reads.
    std::ifstream log(folder / "log.txt");
    std::vector<std::string> writes;
    for (std::string line; std::getline(log, line);)
        if (line.find(" set 00 0") != std::string::npos) writes.push_back(line.substr(line.find(" set ") + 1));
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0], "set 00 07 00 01 00 00 00 00 00");
    EXPECT_EQ(writes[1].substr(0, 15), "set 00 06 00 02");
}

TEST_F(WindowTest, CancelRestoresEverythingAndSendsNothing) {
    open();
    const DeviceImage kb = sim().memory();
    const DeviceImage before = session->liveImage();
    session->setEffect(2);
    ASSERT_TRUE(session->setSpeed(4).ok);
    session->setWinLock(true);
    click(QPoint(888, 620));  // Cancel
    EXPECT_EQ(session->liveImage(), before);
    EXPECT_TRUE(!dlg->isVisible() || dlg->isMinimized()) << "put away: hidden, or minimised without a tray";
    EXPECT_EQ(sim().memory(), kb);
}

TEST_F(WindowTest, CloseWritesTheShadowState) {
    open();
    bool closed = false;
    QObject::connect(dlg.get(), &CQuorlinDlg::closeRequested, [&] { closed = true; });
    int asked = 0;
    dlg->askClose = [&](const Question&) {
        ++asked;
        return CloseAnswer::Discard;
    };
    session->setEffect(5);  // not saved, then discarded: the file must keep the saved state
    click(QPoint(985, 12));
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(closed);
    DeviceImage onDisk;
    std::ifstream in(folder / "keymap.bin", std::ios::binary);
    in.read(reinterpret_cast<char*>(&onDisk), sizeof onDisk);
    EXPECT_EQ(onDisk.lightEffect, session->shadowImage().lightEffect);
    EXPECT_NE(onDisk.lightEffect, 5);
}

// The close box over unsaved edits, answered in the real box: its buttons
// speak the window's language, and Cancel keeps the window and the edits.
TEST_F(WindowTest, TheCloseQuestionOffersSaveDiscardAndCancel) {
    open("", kLanguageChinese);
    bool closed = false;
    QObject::connect(dlg.get(), &CQuorlinDlg::closeRequested, [&] { closed = true; });
    session->setEffect(5);
    QStringList buttons;
    QString asked;
    QTimer::singleShot(50, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        asked = box->text();
        QAbstractButton* cancel = nullptr;
        for (QAbstractButton* b : box->buttons()) {
            buttons << b->text();
            if (b->text() == QStringLiteral("取消")) cancel = b;
        }
        ASSERT_NE(cancel, nullptr);
        cancel->click();
    });
    click(QPoint(985, 12));
    EXPECT_EQ(asked, QStringLiteral("关闭前保存更改吗？"));
    buttons.sort();
    QStringList expected{QStringLiteral("保存"), QStringLiteral("放弃"), QStringLiteral("取消")};
    expected.sort();
    EXPECT_EQ(buttons, expected);
    EXPECT_FALSE(closed);
    EXPECT_EQ(session->liveImage().lightEffect, 5);
}

TEST_F(WindowTest, SaveFromTheCloseQuestionClosesOnceTheKeyboardTookTheEdits) {
    open(",realtime");
    bool closed = false;
    QObject::connect(dlg.get(), &CQuorlinDlg::closeRequested, [&] { closed = true; });
    std::vector<std::string> warnings;
    dlg->warn = [&](const std::string& e) { warnings.push_back(e); };
    dlg->askClose = [](const Question&) { return CloseAnswer::Save; };
    session->setEffect(5);
    click(QPoint(985, 12));
    EXPECT_FALSE(closed) << "not before the write has ended";
    waitIdle();
    EXPECT_TRUE(closed);
    EXPECT_EQ(sim().memory().lightEffect, 5);
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    EXPECT_EQ(dlg->flashText().toStdString(), "Saved");

    // Without the keyboard the Save fails, says so, and the window stays.
    closed = false;
    session.controls->unplug();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !session->connected(); }, 3000));
    waitIdle();
    session->setEffect(7);
    click(QPoint(985, 12));
    waitIdle();
    EXPECT_FALSE(closed);
    EXPECT_EQ(dlg->flashText().toStdString(), "Not saved");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(session->liveImage().lightEffect, 7);
}

TEST_F(WindowTest, SaveWithoutAKeyboardSaysWhatHappened) {
    open();
    std::vector<std::string> warnings;
    dlg->warn = [&](const std::string& e) { warnings.push_back(e); };
    session.controls->unplug();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !session->connected(); }, 3000));
    waitIdle();
    click(QPoint(950, 620));
    EXPECT_EQ(dlg->flashText().toStdString(), "No keyboard connected: nothing to save");
    EXPECT_TRUE(warnings.empty()) << warnings.front();

    session->setWinLock(true);
    click(QPoint(950, 620));
    waitIdle();
    EXPECT_EQ(dlg->flashText().toStdString(), "Not saved");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("not written"), std::string::npos) << warnings[0];
    EXPECT_TRUE(session->hasUnsavedEdits());
}

// A screen reader and the Tab key reach what the window paints: its buttons,
// the panel's heads and the keys, each a named button; Space on one is its click.
// The sliders follow the head of their section, and the arrows move them.
TEST_F(WindowTest, PaintedButtonsAndKeysAreNamedButtonsTheKeyboardReaches) {
    open();
    QStringList names;
    QWidget* light = nullptr;
    for (QWidget* w : dlg->findChildren<QWidget*>()) {
        if (w->focusPolicy() != Qt::TabFocus) continue;
        QAccessibleInterface* said = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(said, nullptr);
        EXPECT_EQ(said->role(), QAccessible::Button) << w->accessibleName().toStdString();
        names << said->text(QAccessible::Name);
        if (w->accessibleName() == QStringLiteral("Light")) light = w;
    }
    for (const char* name : {"Save", "Cancel", "Profile", "Macro Management", "Esc", "A", "Space", "Close"})
        EXPECT_TRUE(names.contains(QString::fromLatin1(name))) << name;
    ASSERT_NE(light, nullptr);
    dlg->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
    light->setFocus(Qt::TabFocusReason);
    QTest::keyClick(light, Qt::Key_Space);  // opens the Light section, as its click does
    EXPECT_NE(dlg->model().panel().layout().sectionTop, 30);
    ASSERT_NE(dlg->focusWidget(), nullptr);
    EXPECT_EQ(dlg->focusWidget()->accessibleName(), QStringLiteral("Light"));
    QTest::qWait(0);  // the panel's heads moved: their buttons were made anew
    dlg->repaint();   // the panel places its sliders as it paints
    const int brightness = session->liveImage().lightBrightness;
    const int speed = session->liveImage().lightSpeed;
    QTest::keyClick(dlg->focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(dlg->focusWidget()->accessibleName(), QStringLiteral("Brightness"));
    QAccessibleInterface* slider = QAccessible::queryAccessibleInterface(dlg->focusWidget());
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->role(), QAccessible::Slider);
    QTest::keyClick(dlg->focusWidget(), brightness < 4 ? Qt::Key_Right : Qt::Key_Left);
    EXPECT_EQ(session->liveImage().lightBrightness, brightness < 4 ? brightness + 1 : brightness - 1);
    QTest::keyClick(dlg->focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(dlg->focusWidget()->accessibleName(), QStringLiteral("Speed"));
    QTest::keyClick(dlg->focusWidget(), Qt::Key_End);
    EXPECT_EQ(session->liveImage().lightSpeed, 4) << "from " << speed;
    QTest::keyClick(dlg->focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(dlg->focusWidget()->accessibleName(), QStringLiteral("Macro Management"));
}

// The name beside "Profile" is painted from the session: it must follow
// Cancel and the factory reset on the screen, not only in the session.
TEST_F(WindowTest, TheProfileNameFollowsCancelAndTheFactoryReset) {
    open();
    std::filesystem::create_directory(folder / "Configure");
    IniSettingsStore settings(folder / "settings.ini");
    session->setSettings(&settings);
    auto apply = [&] {
        auto m = session->openProfileManager(settings);
        m->open();
        m->select(0);
        ASSERT_TRUE(m->close().ok);
        ASSERT_TRUE(session->closeProfileManager(*m, true));
    };
    auto drawn = [&](const std::string& name) {
        DrawList list;
        dlg->model().compose(list);
        for (const DrawOp& op : list.ops())
            if (const auto* t = std::get_if<DrawText>(&op); t && t->text == name) return true;
        return false;
    };
    // What the window showed when it last painted.
    std::string painted = "?";
    struct PaintSpy : QObject {
        std::function<void()> onPaint;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) onPaint();
            return false;
        }
    } spy;
    spy.onPaint = [&] { painted = session->currentProfile(); };
    dlg->installEventFilter(&spy);

    apply();
    ASSERT_EQ(session->currentProfile(), "Profile_1");
    EXPECT_TRUE(drawn("Profile_1"));
    click(QPoint(888, 620));  // Cancel: the name of the last Save, none
    EXPECT_EQ(session->currentProfile(), "");
    EXPECT_FALSE(drawn("Profile_1"));
    dlg->showNormalRaised();

    apply();
    click(QPoint(950, 620));  // Save keeps the name
    waitIdle();
    ASSERT_TRUE(QTest::qWaitFor([&] { return painted == "Profile_1"; }, 2000));
    answer = true;
    click(QPoint(828, 620));  // Return: the factory reset
    waitIdle();
    EXPECT_EQ(session->currentProfile(), "");
    EXPECT_FALSE(drawn("Profile_1"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return painted.empty(); }, 2000)) << "the window still shows " << painted;
    session->setSettings(nullptr);
}

// The questions about what the keyboard holds, answered with the pointer in
// the real boxes: Try again sends what the keyboard refused, a keyboard that
// comes back reset is written back only on "Write back", and Undo last Save in
// the help panel returns the keyboard to what it held before that Save.
TEST_F(WindowTest, TheKeyboardsRefusalsAndResetsAreAskedAboutAndUndone) {
    const auto trustBox = [] {
        QMessageBox* found = nullptr;
        (void)QTest::qWaitFor([&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) found = box;
            return found != nullptr;
        }, 2000);
        return found;
    };
    const auto clickButton = [](QMessageBox* box, const QString& label) {
        for (QAbstractButton* b : box->buttons())
            if (b->text() == label) return QTest::mouseClick(b, Qt::LeftButton);
        ADD_FAILURE() << "no button " << label.toStdString();
    };
    open(",forget");
    SessionListener l;
    l.configRead = [this](bool k) { dlg->configRead(k); };
    l.busyChanged = [this](bool b) { dlg->busyChanged(b); };
    l.keyboardDiffers = [this](const GroupSet& g) { dlg->keyboardDiffers(g); };
    session->setListener(l);
    const std::uint8_t factoryEffect = sim().memory().lightEffect;

    std::bitset<256> lighting;
    lighting.set(0x06);
    sim().misbehave(lighting, {});
    session->setEffect(kEffectWave);
    click(QPoint(950, 620));  // Save
    waitIdle();
    QMessageBox* box = trustBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().contains(QStringLiteral("did not take the lighting"))) << box->text().toStdString();
    EXPECT_EQ(sim().memory().lightEffect, factoryEffect);
    sim().misbehave({}, {});
    clickButton(box, QStringLiteral("Try again"));
    waitIdle();
    EXPECT_EQ(sim().memory().lightEffect, kEffectWave);
    EXPECT_TRUE(session->unsavedGroups().none());

    // Reset elsewhere: asked once, and nothing is written until it is answered.
    session.unplug();
    ASSERT_TRUE(session.plug());
    box = trustBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(sim().memory().lightEffect, factoryEffect);
    clickButton(box, QStringLiteral("Write back"));
    waitIdle();
    EXPECT_EQ(sim().memory().lightEffect, kEffectWave);
    EXPECT_TRUE(session->keyboardDiffers().none());

    // Undo last Save: the help button, then its last row.
    click(QPoint(944, 12));
    click(QPoint(900, kHelpTop + 4 * kHelpRowHeight + kHelpRowHeight / 2));
    waitIdle();
    EXPECT_EQ(sim().memory().lightEffect, factoryEffect);
    EXPECT_TRUE(session->unsavedGroups().none());
}

// Native boxes look and speak as the skinned windows do.
TEST(WindowLook, ChineseBoxesHaveQtsOwnChineseButtonsOnTheSkinsPalette) {
    QApplication& app = test::qtApp();
    EXPECT_EQ(loadQtTranslations(app, kLanguageEnglish), nullptr);
    QTranslator* chinese = loadQtTranslations(app, kLanguageChinese);
    ASSERT_NE(chinese, nullptr) << "Qt's translations (qt6-translations-l10n) are missing";
    {
        QMessageBox box(QMessageBox::Question, QStringLiteral("q"), QStringLiteral("?"),
                        QMessageBox::Ok | QMessageBox::Cancel);
        EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("取消"));
        EXPECT_LT(box.palette().color(QPalette::Window).lightness(), 60) << "charcoal, not the light default";
        EXPECT_GT(box.palette().color(QPalette::WindowText).lightness(), 200);
    }
    QCoreApplication::removeTranslator(chinese);
    delete chinese;
    QMessageBox english(QMessageBox::Question, QStringLiteral("q"), QStringLiteral("?"), QMessageBox::Cancel);
    EXPECT_EQ(english.button(QMessageBox::Cancel)->text(), QStringLiteral("Cancel"));
}

}  // namespace
}  // namespace morvane
