// A keyboard that drops or garbles writes, forgets what it held, or was
// changed elsewhere: every Save is read back, the shadow follows what the
// keyboard really holds, and any earlier state is one step away.
#include <gtest/gtest.h>

#include "app/keyboard_trust_model.h"
#include "app/main_window_model.h"
#include "config/keyboard_backups.h"
#include "config/profile_files.h"
#include "device/protocol.h"
#include "platform/settings_store.h"
#include "tests/sim_session.h"
#include "temp_folder.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;
using test::readFile;

class ReadBack : public ::testing::Test {
protected:
    ReadBack() { fs::create_directories(folder / "Configure"); }

    SimSession start(const std::string& faults = "") {
        SessionOptions o;
        o.programFolder = folder.path();
        o.device = "sim:" + (folder / "kb.bin").string() + faults;
        SimSession s = makeSimSession(o);
        s->setSettings(&settings);
        SessionListener listener;
        listener.keyboardDiffers = [this](const GroupSet& g) { differs.push_back(g); };
        listener.problem = [this](const std::string& p) { problems.push_back(p); };
        s->setListener(listener);
        EXPECT_TRUE(s->start().ok);
        return s;
    }

    // The files a restore point must bring back, byte for byte.
    std::string files() const { return readFile(folder / "keymap.bin") + readFile(folder / "MacroDefine.bin"); }

    test::TempFolder folder;
    IniSettingsStore settings{folder / "settings.ini"};
    std::vector<GroupSet> differs;
    std::vector<std::string> problems;
};

GroupSet groups(std::initializer_list<ImageGroup> list) {
    GroupSet set;
    for (ImageGroup g : list) set.set(g);
    return set;
}

TEST_F(ReadBack, DroppedAndGarbledWritesFailTheSaveByNameAndAreSentAgain) {
    // Maps written by 0x0B are dropped; the lighting (0x06) is kept with a byte changed.
    auto s = start(",ignore=0x0b,garble=0x06");
    ASSERT_TRUE(s->setDiyLed(1, 20, true).ok);
    s->setEffect(kEffectWave);
    ASSERT_TRUE(s->setReportRateStep(1).ok);
    ASSERT_TRUE(s->confirmKeyAssignment(41, AssignmentRequest::single('B')).ok);

    const Outcome saved = s->save();
    ASSERT_FALSE(saved.ok);
    EXPECT_NE(saved.error.find("did not take the DIY map 2."), std::string::npos) << saved.error;
    EXPECT_NE(saved.error.find("did not take the lighting."), std::string::npos) << saved.error;
    EXPECT_EQ(saved.error.find("key assignments"), std::string::npos) << saved.error;
    EXPECT_EQ(s->lastWrite().mismatched, groups({ImageGroup::DiyMap1, ImageGroup::Lighting}));
    // The report rate went out but the keyboard has no read for it.
    EXPECT_EQ(s->lastWrite().unverified, groups({ImageGroup::ReportRate}));

    // The shadow says what the keyboard holds, not what was sent.
    const DeviceImage memory = s.keyboard().memory();
    EXPECT_EQ(s->shadowImage().diyMaps[1], memory.diyMaps[1]);
    EXPECT_EQ(lightingToWire(s->shadowImage()), (LightingWire{memory.lightEffect, memory.lightSpeed,
                                                              memory.lightBrightness, memory.lightColour,
                                                              memory.lightDirection}));
    EXPECT_EQ(s->unsavedGroups(), groups({ImageGroup::DiyMap1, ImageGroup::Lighting}));
    // What the keyboard took is saved with it; what it refused stays unsaved.
    EXPECT_EQ(s->shadowRecords(), s->liveRecords());

    // The next Save sends exactly the refused groups again.
    EXPECT_FALSE(s->save().ok);
    EXPECT_EQ(s->lastWrite().changed, groups({ImageGroup::DiyMap1, ImageGroup::Lighting}));
}

TEST_F(ReadBack, GarbledBlocksAndChineseLinesNameEachGroup) {
    SessionOptions o;
    o.programFolder = folder.path();
    o.device = "sim:" + (folder / "kb.bin").string() + ",garble=0x08+0x0a";
    o.uiLanguage = kLanguageChinese;
    SimSession s = makeSimSession(o);
    ASSERT_TRUE(s->start().ok);
    ASSERT_TRUE(addMacro(*s, {'A', 'B'}).ok);
    ASSERT_TRUE(assignMacroToKey(*s, 'Q', 0).ok);
    const Outcome saved = s->save();
    ASSERT_FALSE(saved.ok);
    EXPECT_NE(saved.error.find("键盘没有接受按键设置。\n"), std::string::npos) << saved.error;
    EXPECT_NE(saved.error.find("键盘没有接受宏存储 1。"), std::string::npos) << saved.error;
    EXPECT_EQ(s->shadowImage().keyTable, s.keyboard().memory().keyTable);
    EXPECT_NE(s->shadowImage().keyTable, s->liveImage().keyTable);
}

TEST_F(ReadBack, RestorePointsBringBackTheKeyboardAndTheFilesAndAreCapped) {
    ASSERT_TRUE(settings.setValue(kProfileSettingsKey, kRestorePointsValue, u"3"));
    auto s = start();
    ASSERT_TRUE(addMacro(*s, {'A'}).ok);
    ASSERT_TRUE(assignMacroToKey(*s, 'Q', 0).ok);
    s->setEffect(kEffectWave);
    ASSERT_TRUE(s->save().ok);
    const DeviceImage keyboardA = s.keyboard().memory();
    const std::string filesA = files();

    // A second Save changes the macro, the key and the lighting.
    ASSERT_TRUE(addMacro(*s, {'C', 'D'}).ok);
    ASSERT_TRUE(assignMacroToKey(*s, 'W', 1).ok);
    ASSERT_TRUE(s->setSpeed(3).ok);
    ASSERT_TRUE(s->save().ok);
    ASSERT_NE(s.keyboard().memory(), keyboardA);
    const auto points = s->restorePoints();
    ASSERT_EQ(points.size(), 2u);
    EXPECT_TRUE(points[0].changed.has(ImageGroup::Lighting));
    EXPECT_TRUE(points[0].changed.has(ImageGroup::KeyTable));

    ASSERT_TRUE(s->restore(1).ok);
    ASSERT_TRUE(s->save().ok);
    EXPECT_EQ(s.keyboard().memory(), keyboardA);
    EXPECT_EQ(files(), filesA);
    EXPECT_FALSE(s->restore(9).ok);

    // Undo undoes the undo; only the newest three are kept.
    Outcome undone = Outcome::failure("not done");
    s->beginUndoLastSave([&](Outcome o) { undone = std::move(o); });
    s->waitIdle();
    ASSERT_TRUE(undone.ok) << undone.error;
    EXPECT_NE(s.keyboard().memory(), keyboardA);
    EXPECT_EQ(s->restorePoints().size(), 3u);

    // Undo and restore never throw unsaved edits away.
    ASSERT_TRUE(s->setSpeed(1).ok);
    s->beginUndoLastSave([&](Outcome o) { undone = std::move(o); });
    EXPECT_FALSE(undone.ok);
    EXPECT_FALSE(s->restoreAsFound().ok);
    EXPECT_EQ(s->liveImage().lightSpeed, 1);
}

TEST_F(ReadBack, TheKeyboardAsFoundIsKeptOnceAndNeverReplaced) {
    DeviceImage found = SimKeyboard::factoryMemory();
    found.diyMaps[2][3] = 0x5A;
    {
        SimOptions o;
        o.statePath = folder / "kb.bin";
        SimKeyboard kb(o);
        ASSERT_TRUE(kb.powerOn());
        kb.setMemory(found);
    }
    auto s = start();
    const fs::path file = asFoundFile(folder.path(), KeyboardModel::FullSize);
    const std::string asFound = readFile(file);
    ASSERT_EQ(asFound.size(), kProfileSavedSize);
    ASSERT_TRUE(s->setDiyLed(2, 7, true).ok);
    ASSERT_TRUE(s->save().ok);
    ASSERT_TRUE(s->resetToFactory().ok);
    auto again = start();
    EXPECT_EQ(readFile(file), asFound);

    ASSERT_TRUE(again->restoreAsFound().ok);
    ASSERT_TRUE(again->save().ok);
    EXPECT_EQ(again.keyboard().memory().diyMaps[2], found.diyMaps[2]);
    EXPECT_TRUE(differs.empty());
}

TEST_F(ReadBack, AKeyboardChangedElsewhereIsToldOnceAndNothingIsWrittenWithoutAnAnswer) {
    auto s = start(",forget");
    ASSERT_TRUE(s->setDiyLed(0, 9, true).ok);
    s->setEffect(kEffectWave);
    ASSERT_TRUE(s->save().ok);
    const DeviceImage saved = s.keyboard().memory();
    ASSERT_TRUE(differs.empty());

    // It comes back from an unplug with factory settings.
    s.unplug();
    ASSERT_TRUE(s.plug());
    ASSERT_EQ(differs.size(), 1u);
    EXPECT_EQ(differs[0], groups({ImageGroup::DiyMap0, ImageGroup::Lighting}));
    EXPECT_EQ(s->keyboardDiffers(), differs[0]);
    EXPECT_EQ(s.keyboard().memory(), SimKeyboard::factoryMemory());
    EXPECT_TRUE(s->unsavedGroups().none());

    // Writing the last saved configuration back is one restore and a Save.
    ASSERT_TRUE(s->restoreLastSaved().ok);
    ASSERT_TRUE(s->save().ok);
    EXPECT_EQ(s.keyboard().memory().diyMaps, saved.diyMaps);
    EXPECT_TRUE(s->keyboardDiffers().none());

    // Another program changes it; keeping what it holds ends the question.
    DeviceImage elsewhere = s.keyboard().memory();
    elsewhere.gameMode ^= 1;
    s.keyboard().setMemory(elsewhere);
    auto next = start();
    ASSERT_EQ(differs.size(), 2u);
    EXPECT_EQ(differs[1], groups({ImageGroup::GameMode}));
    ASSERT_TRUE(next->keepKeyboardAsIs().ok);
    auto last = start();
    EXPECT_EQ(differs.size(), 2u);
    EXPECT_TRUE(problems.empty()) << problems.front();
}

// Reset elsewhere, it lost what it cannot report as well: the session does
// not claim those values, in this run or the next, and the next Save (a
// write back among them) sends them too.
TEST_F(ReadBack, AfterAResetElsewhereWhatItCannotReportIsNotClaimedAndIsSentAgain) {
    auto s = start(",forget");
    s->setWinLock(true);
    ASSERT_TRUE(s->setResponseTimeStep(3).ok);
    s->setEffect(kEffectWave);
    ASSERT_TRUE(s->save().ok);
    const DeviceImage saved = s.keyboard().memory();
    ASSERT_TRUE(s->keyboardUnknown().none());

    s.unplug();
    ASSERT_TRUE(s.plug());
    ASSERT_EQ(s.keyboard().memory(), SimKeyboard::factoryMemory());
    const GroupSet unreadable = groups({ImageGroup::ReportRate, ImageGroup::ResponseTime, ImageGroup::WinLock});
    EXPECT_EQ(s->keyboardUnknown(), unreadable);
    ASSERT_TRUE(s->restoreLastSaved().ok);
    ASSERT_TRUE(s->save().ok);
    EXPECT_EQ(s.keyboard().memory(), saved);
    EXPECT_TRUE(s->keyboardUnknown().none());
    EXPECT_TRUE(s->lastWrite().unverified.has(ImageGroup::WinLock)) << "sent, and said to be unverified";
    EXPECT_TRUE(s->restorePoints().front().changed.has(ImageGroup::WinLock)) << "the undo names what it undoes";

    // Reset elsewhere again and accepted: the next run still does not claim them.
    s.unplug();
    s.keyboard().setMemory(SimKeyboard::factoryMemory());
    ASSERT_TRUE(s.plug());
    ASSERT_TRUE(s->keepKeyboardAsIs().ok);
    s.session.reset();
    s = start();
    EXPECT_EQ(s->keyboardUnknown(), unreadable);
    EXPECT_TRUE(s->keyboardDiffers().none());
    s->setEffect(kEffectWave);
    ASSERT_TRUE(s->save().ok);
    EXPECT_EQ(s.keyboard().memory().winLock, saved.winLock);
    EXPECT_EQ(s.keyboard().memory().responseTimeStep, saved.responseTimeStep);
    EXPECT_TRUE(s->keyboardUnknown().none());
    EXPECT_FALSE(fs::exists(unknownGroupsFile(folder.path(), KeyboardModel::FullSize)));
}

TEST_F(ReadBack, AFactoryResetTheKeyboardIgnoresIsTold) {
    auto s = start(",ignore=0x0c");
    ASSERT_TRUE(s->confirmKeyAssignment(41, AssignmentRequest::single('B')).ok);
    ASSERT_TRUE(s->save().ok);
    const Outcome reset = s->resetToFactory();
    ASSERT_FALSE(reset.ok);
    EXPECT_NE(reset.error.find("did not take the key assignments"), std::string::npos) << reset.error;
    // What it holds is shown, and a restore point of it was kept.
    EXPECT_EQ(s->shadowImage().keyTable, s.keyboard().memory().keyTable);
    EXPECT_EQ(s->restorePoints().size(), 2u);
}

TEST(KeyboardTrustChoices, TryAgainOnlyWhenTheKeyboardIsThereAndRefusedSomething) {
    WriteAllResult refused;
    refused.changed.set(ImageGroup::Lighting);
    WriteAllResult taken = refused;
    taken.confirmed.set(ImageGroup::Lighting);
    const Outcome failed = Outcome::failure("The keyboard did not take the lighting.");
    const auto retry = saveNotTakenChoice(refused, failed, true, kLanguageEnglish);
    ASSERT_TRUE(retry);
    EXPECT_EQ(retry->act, "Try again");
    EXPECT_EQ(retry->text.find(failed.error), 0u);
    EXPECT_EQ(saveNotTakenChoice(refused, failed, true, kLanguageChinese)->act, "重试");
    // A file that could not be written, or no keyboard to try again with.
    EXPECT_FALSE(saveNotTakenChoice(taken, Outcome::failure("keymap.bin"), true, kLanguageEnglish));
    EXPECT_FALSE(saveNotTakenChoice(refused, failed, false, kLanguageEnglish));
    EXPECT_NE(keyboardDiffersChoice(refused.changed, kLanguageChinese).text.find("灯光效果"), std::string::npos);
    // Undo asks first, naming the Save it undoes; with nothing kept it has nothing to ask.
    EXPECT_FALSE(undoLastSaveQuestion({}, kLanguageEnglish));
    const RestorePoint point{"x.bin", std::chrono::system_clock::now(), refused.changed};
    const auto undo = undoLastSaveQuestion({point}, kLanguageEnglish);
    ASSERT_TRUE(undo);
    EXPECT_NE(undo->text.find("lighting)"), std::string::npos) << undo->text;
}

TEST(SimFaults, OptionsAreParsedStrictly) {
    std::string error;
    const auto o = parseSimOptions("kb.bin,ignore=0x08+b,garble=0A,forget", error);
    ASSERT_TRUE(o) << error;
    EXPECT_TRUE(o->ignored.test(0x08) && o->ignored.test(0x0B) && o->garbled.test(0x0A) && o->forget);
    EXPECT_EQ(o->ignored.count() + o->garbled.count(), 3u);
    for (const char* bad : {"kb.bin,ignore=", "kb.bin,ignore=0x100", "kb.bin,garble=0x08+", "kb.bin,ignore=zz"})
        EXPECT_FALSE(parseSimOptions(bad, error)) << bad;
}

}  // namespace
}  // namespace morvane
