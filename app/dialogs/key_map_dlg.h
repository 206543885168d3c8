// CKeyMap: the skinned key-assignment dialog. It paints what KeyMapModel
// composes, keeps its four child controls (the Single and Combine boxes, the
// macro list and the function list) in step with the model, captures keys
// through the key hook, and asks for files and folders through a hook that
// tests can answer.
#pragma once

#include <QDialog>
#include <QPoint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "app/window_drag.h"
#include "app/dialogs/key_map_model.h"
#include "app/qt_key_source.h"
#include "app/skin_canvas.h"
#include "macro/key_hook.h"

class QLineEdit;

namespace morvane {

class CTransparentListBox;
class Session;
class SkinFocusButton;
class VividTree;

class CKeyMap : public QDialog, public KeyHookTarget {
    Q_OBJECT
public:
    // `model` outlives the dialog and keeps what the dialog remembers from run
    // to run; it is initialised here from `context`. `programFolder` holds
    // png/english/Custom/, png/chinese/Custom/ and png/bitmaps/.
    CKeyMap(KeyMapModel& model, const KeyMapContext& context, const QString& programFolder,
            QWidget* parent = nullptr);
    ~CKeyMap() override;

    KeyMapModel& model() { return model_; }

    // Asks for the target of an Advance row; nothing when the user cancelled.
    // Starts as a Qt file or folder dialog.
    std::function<std::optional<QString>(const PathPicker& picker, const QString& startFolder)> pickPath;
    // Shows a notice with an OK button. Starts as a message box.
    std::function<void(const QString& text)> showMessage;

    QLineEdit* singleBox() const { return single_; }
    QLineEdit* combineBox() const { return combine_; }
    CTransparentListBox* macroList() const { return macros_; }
    VividTree* functionList() const { return functions_; }

    // KeyHookTarget: a key captured while the dialog runs.
    void onHookKey(std::uint8_t virtualKey, bool released) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void arm(KeyMapBox box);
    void disarm();
    void carryOut(const KeyMapOutcome& outcome);
    void syncControls();
    void fillFunctionList();
    std::optional<QString> pickWithDialog(const PathPicker& picker, const QString& startFolder);

    KeyMapModel& model_;
    PictureCache pictures_;
    KeyHookRelay relay_;
    QtKeySource keySource_;
    QLineEdit* single_ = nullptr;
    QLineEdit* combine_ = nullptr;
    CTransparentListBox* macros_ = nullptr;
    VividTree* functions_ = nullptr;
    // The painted buttons' stand-ins for Tab and the screen reader, with the
    // page each belongs to (-1: every page).
    std::vector<std::pair<SkinFocusButton*, int>> stops_;
    bool syncing_ = false;
    WindowDrag drag_{*this};
};

// The skin folder of the dialog: png/<language>/Custom/ under the program folder.
QString keyMapPictureFolder(const QString& programFolder, std::uint16_t uiLanguage);

// What a click on key `keyIndex` of the keyboard picture does: the dialog is
// preset with the key, the assignment records are reloaded from "keymap.bin"
// (the image keeps its content), the dialog runs modally and, on OK, the
// choice is applied to the key and saved. Returns true when an assignment was
// applied. A refused choice is explained in a message box.
//
// With `driver` (for tests) the dialog is shown instead of run modally; the
// driver acts on it and returns whether it ended with OK.
bool runKeyAssignment(QWidget* parent, Session& session, int keyIndex, const QString& programFolder,
                      std::function<bool(CKeyMap&)> driver = {});

}  // namespace morvane
