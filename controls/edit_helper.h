// CEditHelper: the one-line edit a CTransparentListBox opens over a row. Enter
// and leaving the edit commit it, Escape cancels it; either way the list is
// told with editDone (the MSG_EDIT_DONE message) and the key goes no further,
// so a dialog behind never takes Enter or Escape for its own.
#pragma once

#include <QLineEdit>

namespace morvane {

class CEditHelper : public QLineEdit {
    Q_OBJECT
public:
    explicit CEditHelper(QWidget* parent = nullptr);

signals:
    // MSG_EDIT_DONE: true to commit, false to cancel.
    void editDone(bool commit);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};

}  // namespace morvane
