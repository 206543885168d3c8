#include "app/quorlin_dlg.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QPainter>
#include <algorithm>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include "app/dialogs/configure_dlg.h"
#include "app/dialogs/key_map_dlg.h"
#include "app/dialogs/macro_record_dlg.h"
#include "platform/settings_store.h"
#include "session/session.h"
#include "app/app_look.h"
#include "base/texts.h"
#include "controls/bit_slider.h"
#include "controls/skin_focus_button.h"
#include "controls/skin_picture.h"

namespace morvane {

namespace {

constexpr int kDefaultWidth = 1000;
constexpr int kDefaultHeight = 650;
// Where each slider sits in sliders_.
constexpr int kSpeedAt = 0, kReportRateAt = 1, kBrightnessAt = 2;

QString qs(const std::string& s) { return QString::fromStdString(s); }
QString qs(const char* s) { return QString::fromUtf8(s); }

}  // namespace

QString pictureFolderFor(const QString& programFolder, std::uint16_t uiLanguage) {
    return QDir(programFolder).filePath(uiLanguage == kLanguageChinese ? QStringLiteral("png/chinese")
                                                                       : QStringLiteral("png/english"));
}

CQuorlinDlg::CQuorlinDlg(Session& session, const QString& programFolder, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      session_(session),
      programFolder_(programFolder),
      model_(session),
      pictures_(pictureFolderFor(programFolder, session.uiLanguage())) {
    setWindowTitle(QStringLiteral("Morvane"));
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    const QPixmap& background = pictures_.picture("main.png");
    setFixedSize(background.isNull() ? QSize(kDefaultWidth, kDefaultHeight) : logicalSize(background));

    const QString bitmaps = bitmapFolderFor(programFolder);
    // In the order of kSpeedAt, kReportRateAt, kBrightnessAt.
    const int ids[3] = {kSpeedSlider, kReportRateSlider, kBrightnessSlider};
    const Text names[3] = {Text::Speed, Text::ReportRate, Text::Brightness};
    for (int i = 0; i < 3; ++i) {
        auto* slider = new CBitSlider(ids[i], this);
        slider->setRange(0, ids[i] == kReportRateSlider ? 3 : 4);
        slider->setSliderBitmaps(bitmaps);
        slider->setThumbPicture(pictures_.picture("Thumb.png"));
        slider->createThumb();
        slider->setPaintsItself(true);
        slider->hide();
        slider->setAccessibleName(qs(text(names[i], session.uiLanguage())));
        markFocus(slider);
        connect(slider, &CBitSlider::sliderMoved, this, [this, slider](int id) {
            if (model_.panel().sliderMoved(id, slider->pos())) update();
        });
        sliders_[i] = slider;
    }
    ask = [this](const Question& q) { return askDefault(q); };
    askClose = [this](const Question& q) { return askCloseDefault(q); };
    warn = [this](const std::string& error) {
        QMessageBox::warning(this, qs(text(Text::ErrorCaption, session_.uiLanguage())), qs(error));
    };
    runMenu = [](QMenu& menu, const QPoint& at) { return menu.exec(at); };
    syncStops();
    // The window itself holds the focus until Tab moves it: no frame on a
    // button the user has not gone to.
    setFocus(Qt::OtherFocusReason);
}

CQuorlinDlg::~CQuorlinDlg() = default;

void CQuorlinDlg::fillLanguageMenu(QMenu& menu) {
    menu.setStyleSheet(QString::fromLatin1(kSkinMenuStyle));
    const auto settings = openUserSettings();
    const std::uint16_t stored = settings ? LoadLanguage(*settings) : session_.uiLanguage();
    for (const auto& [language, name] : {std::pair{kLanguageEnglish, "English"}, std::pair{kLanguageChinese, "中文"}}) {
        QAction* action = menu.addAction(QString::fromUtf8(name));
        action->setCheckable(true);
        action->setChecked(stored == language);
        connect(action, &QAction::triggered, this, [this, language] { chooseLanguage(language); });
    }
}

void CQuorlinDlg::chooseLanguage(std::uint16_t language) {
    const auto settings = openUserSettings();
    if (!settings || !StoreLanguage(*settings, language)) {
        warn(settings ? settings->lastProblem() : std::string(text(Text::SettingsCannotOpen, session_.uiLanguage())));
        return;
    }
    // The texts are taken at the start: the choice shows from the next one.
    if (language == session_.uiLanguage()) return;
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Morvane"),
                                qs(text(Text::LanguageNextStart, language)), QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

void CQuorlinDlg::hideToTray() {
    // Without a tray a hidden window could never be reached again.
    if (QSystemTrayIcon::isSystemTrayAvailable()) hide();
    else showMinimized();
}

void CQuorlinDlg::showNormalRaised() {
    showNormal();
    raise();
    activateWindow();
}

void CQuorlinDlg::configRead(bool fromKeyboard) {
    update();
    syncStops();
    if (!fromKeyboard) return;
    // A newer updater is offered after every read of the keyboard, over the
    // window: one still hidden asks once it is shown.
    if (!updateQuestion(session_.updateOffer(), session_.uiLanguage())) return;
    updatePending_ = true;
    if (isVisible()) QTimer::singleShot(0, this, &CQuorlinDlg::offerUpdate);
}

void CQuorlinDlg::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (updatePending_) QTimer::singleShot(0, this, &CQuorlinDlg::offerUpdate);
    if (differsPending_)
        QTimer::singleShot(0, this, [this] {
            if (const auto groups = std::exchange(differsPending_, std::nullopt)) keyboardDiffers(*groups);
        });
}

void CQuorlinDlg::offerUpdate() {
    if (!updatePending_ || !isVisible()) return;
    updatePending_ = false;
    const auto versions = std::pair{session_.keyboardFirmware(), session_.updaterFirmware()};
    if (const auto q = updateQuestion(session_.updateOffer(), session_.uiLanguage(), versions); q && ask(*q))
        startUpdater();
}

void CQuorlinDlg::flash(Text word) {
    flash_ = qs(text(word, session_.uiLanguage()));
    if (!flashTimer_) {
        flashTimer_ = new QTimer(this);
        flashTimer_->setSingleShot(true);
        connect(flashTimer_, &QTimer::timeout, this, [this] {
            flash_.clear();
            update();
        });
    }
    flashTimer_->start(2500);
    update();
}

bool CQuorlinDlg::askDefault(const Question& q) {
    QMessageBox box(QMessageBox::Question, qs(q.caption), qs(q.text), QMessageBox::Ok | QMessageBox::Cancel, this);
    // Wide enough for its title, which a short question would cut on the
    // frame, and for its longest line, which the width given would cut.
    int width = box.fontMetrics().horizontalAdvance(qs(q.caption)) + 120;
    for (const QString& line : qs(q.text).split(QLatin1Char('\n')))
        width = std::max(width, box.fontMetrics().horizontalAdvance(line) + 20);
    box.setStyleSheet(QStringLiteral("QLabel#qt_msgbox_label { min-width: %1px; }").arg(width));
    return box.exec() == QMessageBox::Ok;
}

CloseAnswer CQuorlinDlg::askCloseDefault(const Question& q) {
    const std::uint16_t language = session_.uiLanguage();
    QMessageBox box(QMessageBox::Question, qs(q.caption), qs(q.text), QMessageBox::NoButton, this);
    QPushButton* saveButton = box.addButton(qs(text(Text::Save, language)), QMessageBox::AcceptRole);
    QPushButton* discardButton = box.addButton(qs(text(Text::Discard, language)), QMessageBox::DestructiveRole);
    QPushButton* cancelButton = box.addButton(qs(text(Text::Cancel, language)), QMessageBox::RejectRole);
    box.setDefaultButton(saveButton);
    box.setEscapeButton(cancelButton);
    box.exec();
    if (box.clickedButton() == saveButton) return CloseAnswer::Save;
    if (box.clickedButton() == discardButton) return CloseAnswer::Discard;
    return CloseAnswer::Cancel;
}

void CQuorlinDlg::save(std::function<void(const Outcome&)> then) {
    session_.beginSave([this, then = std::move(then)](Outcome o) {
        flash(o.ok ? Text::Saved : Text::SaveFailed);
        // Groups the keyboard did not take can be sent again at once.
        if (const auto retry = saveNotTakenChoice(session_.lastWrite(), o, session_.connected(), session_.uiLanguage()))
            askTrust(*retry, [this] { save(nullptr); }, nullptr);
        else
            report(o);
        if (then) then(o);
    });
}

void CQuorlinDlg::paintEvent(QPaintEvent*) {
    DrawList list;
    model_.compose(list);
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0x18, 0x18, 0x1c));
    paintDrawList(painter, list, pictures_);
    placeSliders(list);
    if (session_.busy() || !flash_.isEmpty()) {
        painter.fillRect(QRect(275, 556, 720, 34), QColor(0x14, 0x14, 0x18, 240));  // over the key hint
        painter.setFont(skinFont(16, 400));
        painter.setPen(Qt::white);
        painter.drawText(QRect(275, 560, 720, 30), Qt::AlignCenter,
                         session_.busy() ? qs(text(Text::TalkingToKeyboard, session_.uiLanguage())) : flash_);
    }
}

void CQuorlinDlg::placeSliders(const DrawList& list) {
    for (const DrawOp& op : list.ops()) {
        const auto* p = std::get_if<PlaceSlider>(&op);
        if (!p) continue;
        for (CBitSlider* s : sliders_) {
            if (s->controlId() != p->id) continue;
            if (s->pos() != p->position) s->setPos(p->position);
            if (s->geometry().topLeft() != QPoint(p->x, p->y)) s->move(p->x, p->y);
            s->setVisible(p->shown);
        }
    }
}

void CQuorlinDlg::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    model_.press(e->position().toPoint().x(), e->position().toPoint().y());
}

void CQuorlinDlg::mouseMoveEvent(QMouseEvent* e) {
    const QPoint p = e->position().toPoint();
    if (drag_.follow(*e)) return;
    const MoveOutcome out = model_.move(p.x(), p.y(), e->buttons() & Qt::LeftButton);
    if (out.startDrag) drag_.start(*e);
    if (out.repaint) update();
}

void CQuorlinDlg::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    if (drag_.finish()) return;
    const QPoint p = e->position().toPoint();
    const ClickOutcome outcome = model_.release(p.x(), p.y());
    update();
    carryOut(outcome);
    syncStops();
}

void CQuorlinDlg::syncStops() {
    std::vector<WindowStop> now = windowStops(model_, session_);
    if (now == stops_) return;
    // The one that has the focus keeps it where it has a twin.
    int focused = -1;
    for (std::size_t i = 0; i < stopButtons_.size(); ++i)
        if (stopButtons_[i]->hasFocus()) focused = static_cast<int>(i);
    for (QWidget* w : stopButtons_) w->deleteLater();
    stopButtons_.clear();
    stops_ = std::move(now);
    std::vector<SkinButtonPlace> places;
    for (const WindowStop& stop : stops_)
        places.push_back({QRect(stop.x, stop.y, stop.width, stop.height), qs(stop.name), [this, stop] {
                             model_.press(stop.clickX(), stop.clickY());
                             const ClickOutcome outcome = model_.release(stop.clickX(), stop.clickY());
                             update();
                             carryOut(outcome);
                             syncStops();
                         }});
    for (SkinFocusButton* b : addSkinFocusButtons(this, places)) {
        b->show();
        stopButtons_.push_back(b);
    }
    if (focused >= 0 && focused < static_cast<int>(stopButtons_.size())) stopButtons_[focused]->setFocus();
    // Each slider comes after the head of its section, in the order shown:
    // Brightness above Speed under "Light", the report rate under its own.
    setTabOrder(stopButtons_[kLightStop], sliders_[kBrightnessAt]);
    setTabOrder(sliders_[kBrightnessAt], sliders_[kSpeedAt]);
    setTabOrder(stopButtons_[kReportRateStop], sliders_[kReportRateAt]);
}

void CQuorlinDlg::leaveEvent(QEvent*) {
    if (model_.focusLost()) update();
}

void CQuorlinDlg::focusOutEvent(QFocusEvent*) {
    if (model_.focusLost()) update();
}

void CQuorlinDlg::keyPressEvent(QKeyEvent* e) {
    // Enter, Escape and F1 never end or change the window.
    e->accept();
}

void CQuorlinDlg::busyChanged(bool busy) {
    if (busy) QApplication::setOverrideCursor(Qt::WaitCursor);
    else QApplication::restoreOverrideCursor();
    update();
}

void CQuorlinDlg::report(const Outcome& outcome) {
    update();
    if (!outcome.ok) warn(outcome.error);
}

void CQuorlinDlg::notice(const std::string& problem) {
    update();
    // A box that waited for its OK here would hold up whatever told the
    // problem: an event report, a command handed over by morvane-cli.
    if (notice_ && notice_->isVisible()) {
        notice_->setText(notice_->text() + QLatin1Char('\n') + qs(problem));
        return;
    }
    // Titled with the program's name: not everything told here is an error
    // (a switch that cannot follow windows, a hand-off that is off).
    notice_ = new QMessageBox(QMessageBox::Warning, QStringLiteral("Morvane"), qs(problem), QMessageBox::Ok, this);
    notice_->setAttribute(Qt::WA_DeleteOnClose);
    notice_->setModal(false);
    notice_->show();
}

void CQuorlinDlg::startUpdater() {
    const Outcome started = session_.startUpdater();
    if (started) return;
    // Say where the updater was looked for, in the window's language.
    const std::filesystem::path program = updaterProgram(session_.dataFolder(), session_.keyboardModel());
    std::error_code ec;
    // Where no updater ships for this system, that is what the user needs to hear.
    const Text why = std::filesystem::exists(program, ec) ? Text::UpdaterMissing : Text::NoUpdaterForSystem;
    QMessageBox::warning(this, qs(text(Text::UpdateCaption, session_.uiLanguage())),
                         qs(textWith(why, session_.uiLanguage(), program.string())));
}

void CQuorlinDlg::carryOut(const ClickOutcome& outcome) {
    if (!outcome.problem.empty()) report(Outcome::failure(outcome.problem));
    if (outcome.flash) flash(*outcome.flash);
    switch (outcome.action) {
    case WindowAction::None:
        break;
    case WindowAction::OpenProfileManager:
        runProfileManager(this, session_, programFolder_, frameGeometry());
        break;
    case WindowAction::OpenKeyAssignment:
        runKeyAssignment(this, session_, outcome.key, programFolder_);
        break;
    case WindowAction::OpenMacroManager:
        runMacroManager(this, session_, programFolder_);
        break;
    case WindowAction::Minimize:
    case WindowAction::Cancel:
        hideToTray();
        break;
    case WindowAction::Close:
        emit closeRequested();
        break;
    case WindowAction::AskSaveBeforeClose:
        carryOut(model_.answerClose(askClose(saveBeforeCloseQuestion(session_.uiLanguage()))));
        break;
    case WindowAction::SaveThenClose:
        save([this](const Outcome& saved) { carryOut(model_.closeAfterSave(saved)); });
        break;
    case WindowAction::AskResetToFactory:
        if (ask(factoryResetQuestion(session_.uiLanguage())))
            model_.resetToFactory([this](Outcome o) { report(o); });
        break;
    case WindowAction::Save:
        save(nullptr);
        break;
    case WindowAction::OpenHomePage:
        QDesktopServices::openUrl(QUrl(QString::fromLatin1(kHomePageAddress)));
        break;
    case WindowAction::StartUpdater:
        startUpdater();
        break;
    case WindowAction::UndoLastSave: {
        const auto question = undoLastSaveQuestion(session_.restorePoints(), session_.uiLanguage());
        if (!question) {
            report(Outcome::failure(text(Text::NothingToUndo, session_.uiLanguage())));
            break;
        }
        if (!ask(*question)) break;
        session_.beginUndoLastSave([this](Outcome o) {
            flash(o.ok ? Text::Saved : Text::SaveFailed);
            report(o);
        });
        break;
    }
    case WindowAction::ChooseLanguage: {
        QMenu menu(this);
        fillLanguageMenu(menu);
        if (QAction* chosen = runMenu(menu, mapToGlobal(QPoint(kHelpLeft + 20, kHelpTop + 4 * kHelpRowHeight))))
            chosen->trigger();
        break;
    }
    }
    update();
}

void CQuorlinDlg::requestClose() {
    const ClickOutcome outcome = model_.requestClose();
    if (outcome.action == WindowAction::AskSaveBeforeClose && isHidden()) showNormalRaised();
    carryOut(outcome);
}

void CQuorlinDlg::switchWaits(const std::string& profile) {
    if (profile.empty()) {
        if (switchBox_) switchBox_->close();
        return;
    }
    // Only one switch waits: a later one replaces its text, never adds to it.
    const QString said = qs(textWith(Text::SwitchWaits, session_.uiLanguage(), profile));
    if (!switchBox_) {
        switchBox_ = new QMessageBox(QMessageBox::Information, qs(text(Text::ProfileButton, session_.uiLanguage())),
                                     said, QMessageBox::Ok, this);
        switchBox_->setAttribute(Qt::WA_DeleteOnClose);
        switchBox_->setModal(false);
        // The skinned window has no frame; the box keeps its own.
        switchBox_->setWindowFlags(Qt::Dialog);
    }
    switchBox_->setText(said);
    // The edits it waits for are in the window: the box stands over it.
    if (isHidden()) showNormalRaised();
    switchBox_->show();
    switchBox_->adjustSize();
    switchBox_->move(frameGeometry().center() - switchBox_->rect().center());
}

}  // namespace morvane
