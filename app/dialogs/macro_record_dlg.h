// CMacroRecordDlg: the skinned macro manager. It paints what MacroManagerModel
// composes, shows the macros and the selected macro's rows in two skinned
// lists, and forwards clicks, menu commands, list edits and the keys the hook
// reports to the model.
#pragma once

#include <QDialog>
#include <QPoint>
#include <functional>
#include <memory>

#include "app/window_drag.h"
#include "app/dialogs/macro_record_model.h"
#include "app/skin_canvas.h"

class QLineEdit;
class QTimer;

namespace morvane {

class CTransparentListBox;
class KeyHookRelay;
class QtKeySource;
class Session;

class CMacroRecordDlg : public QDialog {
    Q_OBJECT
public:
    // `programFolder` holds png/<language>/MacroManagement/ and png/bitmaps/.
    CMacroRecordDlg(Session& session, const QString& programFolder, QWidget* parent = nullptr);
    ~CMacroRecordDlg() override;

    MacroManagerModel& model() { return *model_; }
    const MacroEditor& editor() const { return model_->editor(); }
    CTransparentListBox& namesList() { return *names_; }
    CTransparentListBox& eventsList() { return *events_; }
    QLineEdit& loopEdit() { return *loops_; }

    // Recording measures its delays on this clock from now on (tests hand in
    // a virtual one); nullptr returns to the system clock.
    void setClock(Clock* clock);

    // A command of the events list's menu, as if chosen from it.
    void runMenuCommand(int id);
    // The OK and Cancel buttons: closing with OK stores the working copy in
    // the session's stored macros; any other way out drops it.
    void pressOk() { accept(); }
    void pressCancel() { reject(); }
    // Brings the lists, the loop edit and the picture in line with the model
    // (after the model was changed from outside the window).
    void refresh();

    // Message boxes go through these hooks, so tests can answer them.
    std::function<bool(const NoticeText&)> ask;      // OK / Cancel
    std::function<void(const NoticeText&)> inform;   // OK only

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void done(int result) override;

private:
    class SwitchClock;
    class NotifyingHook;

    void setUpList(CTransparentListBox& list, const ControlPlace& place, const QString& bitmaps);
    void showEventsMenu(const QPoint& globalPos);
    void carryOut(const ManagerClick& click);
    void tell(MacroNotice notice);

    Session& session_;
    std::unique_ptr<SwitchClock> clock_;
    std::unique_ptr<KeyHookRelay> relay_;
    std::unique_ptr<NotifyingHook> hook_;
    std::unique_ptr<MacroManagerModel> model_;
    PictureCache pictures_;
    CTransparentListBox* names_ = nullptr;
    CTransparentListBox* events_ = nullptr;
    QLineEdit* loops_ = nullptr;
    QWidget* recordStop_ = nullptr;  // the Record button's focus stop
    QtKeySource* keySource_ = nullptr;
    QTimer* nameTimer_ = nullptr;
    WindowDrag drag_{*this};
};

// Runs the macro manager over `parent` and, on OK, does what the main window
// does after it: the macros are packed into the image's macro blocks (when
// the first slot is named) and "keymap.bin" and "MacroDefine.bin" are saved.
// Without `driver` the dialog runs modally; with one (tests) it is shown and
// the driver acts on it and returns true for OK, false for Cancel. Returns
// true when the manager closed with OK.
bool runMacroManager(QWidget* parent, Session& session, const QString& programFolder,
                     std::function<bool(CMacroRecordDlg&)> driver = {});

}  // namespace morvane
