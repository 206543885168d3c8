// The main window's questions about what the keyboard holds: a Save it did
// not take whole, and a keyboard that comes back changed elsewhere.
#include <QPushButton>

#include "app/quorlin_dlg.h"
#include "session/session.h"

namespace morvane {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

void CQuorlinDlg::askTrust(const TrustChoice& choice, std::function<void()> act, std::function<void()> leave) {
    if (trustBox_) trustBox_->close();
    auto* box = new QMessageBox(QMessageBox::Question, qs(choice.caption), qs(choice.text), QMessageBox::NoButton, this);
    QPushButton* actButton = box->addButton(qs(choice.act), QMessageBox::AcceptRole);
    QPushButton* leaveButton = box->addButton(qs(choice.leave), QMessageBox::RejectRole);
    box->setDefaultButton(actButton);
    box->setEscapeButton(leaveButton);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    connect(box, &QMessageBox::buttonClicked, this, [actButton, act, leave](QAbstractButton* clicked) {
        if (clicked == actButton) act();
        else if (leave) leave();
    });
    trustBox_ = box;
    box->show();
}

void CQuorlinDlg::keyboardDiffers(const GroupSet& groups) {
    if (!isVisible()) {
        differsPending_ = groups;
        return;
    }
    askTrust(
        keyboardDiffersChoice(groups, session_.uiLanguage()),
        [this] {
            const Outcome restored = session_.restoreLastSaved();
            if (!restored) return report(restored);
            save(nullptr);
        },
        [this] { report(session_.keepKeyboardAsIs()); });
}

}  // namespace morvane
