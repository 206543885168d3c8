#include "controls/edit_helper.h"

#include <QFocusEvent>
#include <QKeyEvent>

namespace morvane {

namespace {

bool endsEdit(const QKeyEvent* event) {
    const int k = event->key();
    return k == Qt::Key_Return || k == Qt::Key_Enter || k == Qt::Key_Escape;
}

}  // namespace

CEditHelper::CEditHelper(QWidget* parent) : QLineEdit(parent) {}

void CEditHelper::keyPressEvent(QKeyEvent* event) {
    if (!endsEdit(event)) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
    emit editDone(event->key() != Qt::Key_Escape);
}

void CEditHelper::keyReleaseEvent(QKeyEvent* event) {
    if (endsEdit(event)) event->accept();
    else QLineEdit::keyReleaseEvent(event);
}

void CEditHelper::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // The edit's own context menu takes the focus for a moment; that is no
    // reason to end the edit.
    if (event->reason() != Qt::PopupFocusReason) emit editDone(true);
}

}  // namespace morvane
