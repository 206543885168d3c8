// CConfigureDlg: the profile manager window. A borderless dialog painted from
// the pictures of png/<language>/Config/, with the profile list over it. It
// paints what ConfigureModel composes, keeps the list in step with the
// ProfileManager, and forwards clicks, the pop-up menu's commands and renames
// to the model. Message boxes, file dialogs and the menu go through hooks so
// that tests can answer them.
#pragma once

#include <QDialog>
#include <QPoint>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "app/window_drag.h"
#include "app/dialogs/configure_model.h"
#include "app/skin_canvas.h"

class QAction;
class QMenu;

namespace morvane {

class CTransparentListBox;
class Session;
class SwitchRulesControls;
class SwitchRulesPage;
class SettingsStore;

class CConfigureDlg : public QDialog {
    Q_OBJECT
public:
    // The profiles live in the session's program folder; the pictures come
    // from `pictureRoot` (the folder holding png/english/ and png/chinese/).
    CConfigureDlg(Session& session, const QString& pictureRoot, QWidget* parent = nullptr);
    ~CConfigureDlg() override;

    ConfigureModel& model() { return model_; }
    ProfileManager& manager() { return *manager_; }
    CTransparentListBox* profileList() const { return list_; }
    SwitchRulesControls* switchingControls() const { return rulesControls_; }

    // Carries out a command of the pop-up menu, as choosing it does.
    void runCommand(ConfigureCommand command);
    // The menu as the right button opens it: the five commands, each action's
    // data being its command id.
    std::unique_ptr<QMenu> buildMenu();

    // --- hooks (tests replace them) ---
    // A message box; true for OK.
    std::function<bool(const ConfigureBox&)> showBox;
    // Save's and Load's file dialog; nothing when the user cancels.
    std::function<std::optional<QString>(const FileRequest&)> chooseFile;
    // Shows the menu at a screen point and returns the chosen action, if any.
    std::function<QAction*(QMenu&, const QPoint&)> runMenu;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillList();
    void showPage();
    void finish(ConfigureEnd end);
    void openMenu(const QPoint& globalPos);
    void renamed(int oldRow, int newRow);
    ConfigureView view();
    bool showBoxDefault(const ConfigureBox& box);
    std::optional<QString> chooseFileDefault(const FileRequest& request);

    std::unique_ptr<SettingsStore> settings_;
    std::unique_ptr<ProfileManager> manager_;
    ConfigureModel model_;
    std::unique_ptr<SwitchRulesPage> rules_;
    PictureCache pictures_;
    CTransparentListBox* list_ = nullptr;
    SwitchRulesControls* rulesControls_ = nullptr;
    WindowDrag drag_{*this};
};

// Opens the profile manager for the main window whose screen rectangle is
// `mainWindowRect`: the dialog stands one pixel above and left of it and runs
// modally. With a `driver` (tests) the dialog is shown and the driver acts on
// it instead; when the driver returns with the dialog still open, true hands
// it to the user (modally), false ends it with Cancel.
// On OK the macro store is saved and the session refreshed without reading the
// keyboard; a Load followed by Cancel refreshes the same way, since the working
// configuration changed. Returns true on OK (a profile was applied).
bool runProfileManager(QWidget* parent, Session& session, const QString& programFolder, QRect mainWindowRect,
                       std::function<bool(CConfigureDlg&)> driver = {});

}  // namespace morvane
