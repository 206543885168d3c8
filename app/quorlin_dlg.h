// CQuorlinDlg: the skinned main window. It paints what MainWindowModel
// composes, forwards the mouse to it, and carries out the actions that need a
// window: questions, hiding, and Save or a factory reset with progress while
// the device thread works.
#pragma once

#include <QPoint>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>

#include "app/keyboard_trust_model.h"
#include "app/main_window_model.h"
#include "app/main_window_stops.h"
#include "app/skin_canvas.h"
#include "app/window_drag.h"
#include "base/texts.h"

class QAction;
class QMenu;

namespace morvane {

class CBitSlider;
class Session;
class Shell;

class CQuorlinDlg : public QWidget {
    Q_OBJECT
public:
    // `programFolder` holds png/english/ and png/chinese/.
    CQuorlinDlg(Session& session, const QString& programFolder, QWidget* parent = nullptr);
    ~CQuorlinDlg() override;

    MainWindowModel& model() { return model_; }
    // What the progress strip shows for a moment after Save ("" when nothing).
    QString flashText() const { return flash_; }
    // Minimise, Cancel and a lost keyboard put the window away: into the tray,
    // or onto the task bar where there is no tray.
    void hideToTray();
    // Shown in its normal state and brought to the front.
    void showNormalRaised();
    // "Exit" in the tray: as the close box, asking over the window first
    // when edits are unsaved.
    void requestClose();
    // The session read the configuration again (or reloaded it), or the
    // keyboard went away: the window shows what the session holds now.
    void configRead(bool fromKeyboard);
    // A device sequence started or all have ended: wait cursor and progress.
    void busyChanged(bool busy);
    // Questions are asked through these hooks, so tests can answer them.
    std::function<bool(const Question&)> ask;
    // Save, Discard or Cancel, asked by the close box over unsaved edits.
    std::function<CloseAnswer(const Question&)> askClose;
    // A failure told in a box that waits for its OK.
    std::function<void(const std::string& error)> warn;
    // Shows a menu at a screen point and returns the chosen action (tests answer it).
    std::function<QAction*(QMenu&, const QPoint&)> runMenu;

    // The two languages, the stored one ticked; a choice is stored for the
    // next start (the tray's submenu and the help panel's row).
    void fillLanguageMenu(QMenu& menu);
    void chooseLanguage(std::uint16_t language);

signals:
    // The close button: the program ends.
    void closeRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

public:
    // Shows a failure in a box over the window; nothing for success.
    void report(const Outcome& outcome);
    // What went wrong in the background (a launch key, a store, the log):
    // told in a box that does not hold up the program, one box for all.
    void notice(const std::string& problem);
    // The one switch of profile that waits for unsaved edits ("" once it
    // no longer waits), told in a box of its own over the window.
    void switchWaits(const std::string& profile);
    // The keyboard came holding something else than was last saved to it:
    // asked once, and nothing is written without the answer.
    void keyboardDiffers(const GroupSet& groups);

private:
    // A question with two answers that does not hold up the program.
    void askTrust(const TrustChoice& choice, std::function<void()> act, std::function<void()> leave);
    void carryOut(const ClickOutcome& outcome);
    // Lays the stand-ins for Tab and the screen reader over what the window
    // shows now.
    void syncStops();
    void placeSliders(const DrawList& list);
    void startUpdater();
    void offerUpdate();
    bool askDefault(const Question& q);
    CloseAnswer askCloseDefault(const Question& q);
    // Saves as the Save button does; `then` follows the result.
    void save(std::function<void(const Outcome&)> then);
    // Shows a word in the progress strip for a moment.
    void flash(Text word);

    Session& session_;
    QString programFolder_;
    MainWindowModel model_;
    PictureCache pictures_;
    std::array<CBitSlider*, 3> sliders_{};
    WindowDrag drag_{*this};
    // The update question waits until the window is on the screen.
    bool updatePending_ = false;
    QString flash_;
    QTimer* flashTimer_ = nullptr;
    QPointer<QMessageBox> notice_;
    QPointer<QMessageBox> switchBox_;
    QPointer<QMessageBox> trustBox_;
    // A question about the keyboard waits, as the update question does,
    // until the window is on the screen.
    std::optional<GroupSet> differsPending_;
    std::vector<WindowStop> stops_;
    std::vector<QWidget*> stopButtons_;
};

// The picture folder of a language: png/chinese/ or png/english/.
QString pictureFolderFor(const QString& programFolder, std::uint16_t uiLanguage);

}  // namespace morvane
