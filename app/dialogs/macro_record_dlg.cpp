#include "app/dialogs/macro_record_dlg.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QWindow>

#include "app/qt_key_source.h"
#include "app/quorlin_dlg.h"
#include "session/session.h"
#include "base/texts.h"
#include "controls/skin_focus_button.h"
#include "controls/skin_picture.h"
#include "controls/transparent_list_box.h"
#include "macro/key_hook.h"

namespace morvane {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }
QString qs(const char* s) { return QString::fromUtf8(s); }
QColor qc(Colour c) { return QColor(c.r, c.g, c.b); }

// Makes `list` show `rows` with `selected` selected, rebuilding it only when
// its rows differ, so that its scroll position survives a plain refresh.
void showRows(CTransparentListBox& list, const std::vector<QString>& rows, int selected) {
    bool same = list.count() == static_cast<int>(rows.size());
    for (int i = 0; same && i < list.count(); ++i) same = list.rowText(i) == rows[i];
    if (!same) {
        list.clear();
        for (const QString& r : rows) list.addRow(r);
    }
    if (list.currentRow() != selected || !same) list.setCurrentRow(selected >= 0 && selected < list.count() ? selected : -1);
}

void addMenuEntries(QMenu& menu, const std::vector<MenuEntry>& entries) {
    for (const MenuEntry& e : entries) {
        if (e.children.empty()) {
            menu.addAction(qs(e.text))->setData(e.id);
        } else {
            addMenuEntries(*menu.addMenu(qs(e.text)), e.children);
        }
    }
}

}  // namespace

// The recorder's clock: the system's, or one a test hands in.
class CMacroRecordDlg::SwitchClock final : public Clock {
public:
    std::int64_t nowMicros() override { return source().nowMicros(); }
    void sleepMillis(int ms) override { source().sleepMillis(ms); }
    void set(Clock* clock) { other_ = clock; }

private:
    Clock& source() { return other_ ? *other_ : system_; }
    SystemClock system_;
    Clock* other_ = nullptr;
};

// The hook the editor holds: the relay that the window's key events feed,
// with a call back to the window after every report so it shows the result.
class CMacroRecordDlg::NotifyingHook final : public KeyHook, private KeyHookTarget {
public:
    NotifyingHook(KeyHookRelay& relay, std::function<void()> after) : relay_(relay), after_(std::move(after)) {}
    bool installhook(KeyHookTarget& target, int mode) override {
        target_ = &target;
        return relay_.installhook(*this, mode);
    }
    void removehook() override {
        relay_.removehook();
        target_ = nullptr;
    }

private:
    void onHookKey(std::uint8_t vk, bool released) override {
        if (target_) target_->onHookKey(vk, released);
        after_();
    }
    KeyHookRelay& relay_;
    KeyHookTarget* target_ = nullptr;
    std::function<void()> after_;
};

CMacroRecordDlg::CMacroRecordDlg(Session& session, const QString& programFolder, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      session_(session),
      clock_(std::make_unique<SwitchClock>()),
      relay_(std::make_unique<KeyHookRelay>()),
      hook_(std::make_unique<NotifyingHook>(*relay_, [this] { refresh(); })),
      model_(std::make_unique<MacroManagerModel>(*clock_, *hook_, session.uiLanguage())),
      pictures_(pictureFolderFor(programFolder, session.uiLanguage())) {
    setWindowTitle(qs(text(Text::MacroManager, model_->language())));
    setMouseTracking(true);
    const QPixmap& background = pictures_.picture(std::string(kMacroManagerFolder) + "/" + kMacroManagerBackground);
    setFixedSize(background.isNull() ? QSize(kMacroManagerWidth, kMacroManagerHeight) : logicalSize(background));

    const QString bitmaps = bitmapFolderFor(programFolder);
    names_ = new CTransparentListBox(this);
    events_ = new CTransparentListBox(this);
    setUpList(*names_, kNamesListPlace, bitmaps);
    setUpList(*events_, kEventsListPlace, bitmaps);
    names_->setEditMode(ListEditMode::AnyText);
    names_->setMaxEditLength(static_cast<int>(kMaxMacroNameChars));
    events_->setEditMode(ListEditMode::DelayOnly);

    loops_ = new QLineEdit(this);
    loops_->setObjectName(QStringLiteral("loopCount"));
    loops_->setGeometry(kLoopEditPlace.x, kLoopEditPlace.y, kLoopEditPlace.width, kLoopEditPlace.height);
    loops_->setMaxLength(kLoopEditMaxChars);
    loops_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,3}")), loops_));
    loops_->setFrame(false);
    loops_->setFont(skinFont(15, 400));
    loops_->setStyleSheet(QStringLiteral("QLineEdit { background: #131316; color: #ececf0; padding: 0 3px; }"
                                         "QLineEdit:disabled { background: #1c1c21; color: #5c5c64; }"));

    // The names list: a click chooses the macro, a double-click renames it.
    connect(names_, &CTransparentListBox::selectionChanged, this, [this](int row) {
        model_->editor().selectMacro(row);
        refresh();
    });
    connect(names_, &CTransparentListBox::listEditEnd, this, [this](int row, int at) {
        model_->editor().renameMacro(row, names_->rowText(at).toStdU16String());
        refresh();
    });
    // The events list: a click chooses a row, a double-click edits a delay.
    connect(events_, &CTransparentListBox::selectionChanged, this, [this](int row) {
        model_->editor().selectRow(row);
        refresh();
    });
    connect(events_, &CTransparentListBox::listEditEnd, this, [this](int row, int ms) {
        model_->editor().delayEdited(row, ms);
        refresh();
    });
    for (CTransparentListBox* list : {names_, events_}) {
        // Only the recording stops: the rows stay as they are, and a rename
        // whose end is still on its way keeps its new text in the list.
        connect(list, &CTransparentListBox::listEditBegin, this, [this] {
            model_->editor().listEditBegin();
            update();
        });
    }
    connect(events_, &CTransparentListBox::contextMenuRequested, this, &CMacroRecordDlg::showEventsMenu);
    connect(loops_, &QLineEdit::textEdited, this, [this](const QString& text) {
        model_->editor().setLoopText(text.toStdString());
        refresh();
    });

    // The painted buttons, for Tab and the screen reader, around the lists
    // and the loop count's box.
    const auto stops = [this](const std::vector<ManagerStop>& list) {
        std::vector<SkinButtonPlace> places;
        for (const ManagerStop& stop : list) {
            const MacroButtonArea a = macroButtonArea(stop.button);
            places.push_back({QRect(QPoint(a.left, a.top), QPoint(a.right, a.bottom)).adjusted(-2, -2, 2, 2),
                             qs(stop.name), [this, button = stop.button] { carryOut(model_->activate(button)); }});
        }
        return addSkinFocusButtons(this, places);
    };
    const std::vector<SkinFocusButton*> before = stops(managerStopsBefore(model_->language()));
    const std::vector<SkinFocusButton*> after = stops(managerStopsAfter(model_->language()));
    recordStop_ = before.front();
    names_->setAccessibleName(qs(text(Text::SelectMacro, model_->language())));
    events_->setAccessibleName(qs(text(Text::KeystrokeSequence, model_->language())));
    loops_->setAccessibleName(qs(text(Text::NumberOfLoops, model_->language())));
    setTabOrder(names_, events_);
    setTabOrder(events_, before.front());
    setTabOrder(before.back(), loops_);
    setTabOrder(loops_, after.front());
    for (QWidget* w : {static_cast<QWidget*>(names_), static_cast<QWidget*>(events_), static_cast<QWidget*>(loops_)})
        markFocus(w);

    // While the hook is held, every key the window gets goes to it, whichever
    // control has the focus: Tab, Space and Enter are recorded too.
    keySource_ = new QtKeySource(*relay_, this);
    for (QObject* o : {static_cast<QObject*>(this), static_cast<QObject*>(names_), static_cast<QObject*>(events_),
                       static_cast<QObject*>(names_->viewport()), static_cast<QObject*>(events_->viewport()),
                       static_cast<QObject*>(loops_)})
        o->installEventFilter(keySource_);
    for (const auto* stops : {&before, &after})
        for (SkinFocusButton* b : *stops) b->installEventFilter(keySource_);

    nameTimer_ = new QTimer(this);
    connect(nameTimer_, &QTimer::timeout, this, [this] { model_->editor().timerTick(); });
    nameTimer_->start(kNameSyncMillis);

    ask = [this](const NoticeText& t) {
        return QMessageBox::question(this, qs(t.caption), qs(t.text).trimmed(), QMessageBox::Ok | QMessageBox::Cancel) ==
               QMessageBox::Ok;
    };
    inform = [this](const NoticeText& t) { QMessageBox::information(this, qs(t.caption), qs(t.text).trimmed()); };

    model_->open(session.storedMacros());
    refresh();
}

CMacroRecordDlg::~CMacroRecordDlg() {
    // The editor gives the hook back before the relay goes.
    model_.reset();
}

void CMacroRecordDlg::setUpList(CTransparentListBox& list, const ControlPlace& place, const QString& bitmaps) {
    list.setObjectName(place.id == kNamesListPlace.id ? QStringLiteral("macroNames") : QStringLiteral("macroEvents"));
    list.setGeometry(place.x, place.y, place.width, place.height);
    list.setListFont(kListFontHeight, QStringLiteral("Arial"), qc(kListText), qc(kListSelectedText), true,
                     qc(kListShadow), kListShadowOffset);
    list.setBitmapFolder(bitmaps);
}

void CMacroRecordDlg::setClock(Clock* clock) { clock_->set(clock); }

void CMacroRecordDlg::refresh() {
    const MacroEditor& ed = model_->editor();
    if (!names_->isEditing()) {
        std::vector<QString> rows;
        for (const std::u16string& n : ed.names()) rows.push_back(QString::fromStdU16String(n));
        showRows(*names_, rows, ed.selectedMacro());
    }
    if (!events_->isEditing()) {
        std::vector<QString> rows;
        for (const std::string& r : ed.rows()) rows.push_back(qs(r));
        showRows(*events_, rows, ed.selectedRow());
    }
    loops_->setEnabled(ed.loopsEnabled());
    if (loops_->text() != qs(ed.loopText())) loops_->setText(qs(ed.loopText()));
    // A screen reader hears what the button says now, and how a recording ends.
    const std::uint16_t language = model_->language();
    recordStop_->setAccessibleName(ed.recording() ? qs(text(Text::StopRecording, language)) + QStringLiteral(": ") +
                                                        qs(text(Text::HoldEscToStop, language))
                                                  : qs(text(Text::StartRecording, language)));
    update();
}

// --- painting ---

void CMacroRecordDlg::paintEvent(QPaintEvent*) {
    DrawList list;
    model_->compose(list);
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0xc8, 0xc8, 0xcc));
    painter.setRenderHint(QPainter::TextAntialiasing);
    paintDrawList(painter, list, pictures_);
}

// --- input ---

void CMacroRecordDlg::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    const QPoint p = e->position().toPoint();
    model_->press(p.x(), p.y());
}

void CMacroRecordDlg::mouseMoveEvent(QMouseEvent* e) {
    if (drag_.follow(*e)) return;
    const QPoint p = e->position().toPoint();
    const PointerOutcome out = model_->move(p.x(), p.y(), e->buttons() & Qt::LeftButton);
    if (out.startDrag) drag_.start(*e);
    if (out.repaint) update();
}

void CMacroRecordDlg::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    if (drag_.finish()) {
        model_->release(-1, -1);
        return;
    }
    const QPoint p = e->position().toPoint();
    carryOut(model_->release(p.x(), p.y()));
}

void CMacroRecordDlg::leaveEvent(QEvent*) {
    if (model_->pointerLeft()) update();
}

void CMacroRecordDlg::keyPressEvent(QKeyEvent* e) {
    // What no control took (keys being recorded never come here): Enter is
    // OK, Escape is Cancel. A held key's repeats do neither: the Escape held
    // to stop a recording goes on repeating after the stop.
    if (e->isAutoRepeat()) return e->accept();
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: carryOut(model_->activate(kButtonOk)); break;
    case Qt::Key_Escape: carryOut(model_->activate(kButtonCancel)); break;
    default: QDialog::keyPressEvent(e); return;
    }
    e->accept();
}

void CMacroRecordDlg::carryOut(const ManagerClick& click) {
    switch (click.action) {
    case ManagerAction::None: refresh(); break;
    case ManagerAction::Notice:
        refresh();
        tell(click.notice);
        break;
    case ManagerAction::ConfirmDelete:
        if (ask(model_->deleteQuestion(session_))) {
            const MacroNotice n = model_->confirmDelete();
            refresh();
            tell(n);
        }
        break;
    case ManagerAction::Accept: pressOk(); break;
    case ManagerAction::Reject: pressCancel(); break;
    }
}

void CMacroRecordDlg::tell(MacroNotice notice) {
    if (notice != MacroNotice::None) inform(model_->text(notice));
}

void CMacroRecordDlg::showEventsMenu(const QPoint& globalPos) {
    QMenu menu(this);
    addMenuEntries(menu, eventsMenu(model_->language()));
    if (QAction* chosen = menu.exec(globalPos)) runMenuCommand(chosen->data().toInt());
}

void CMacroRecordDlg::runMenuCommand(int id) {
    const MacroNotice n = model_->menuCommand(id);
    refresh();
    tell(n);
}

void CMacroRecordDlg::done(int result) {
    nameTimer_->stop();
    // OK's macros are taken by the session once the dialog has ended.
    if (result != QDialog::Accepted) model_->reject();
    QDialog::done(result);
}

// --- the entry ---

bool runMacroManager(QWidget* parent, Session& session, const QString& programFolder,
                     std::function<bool(CMacroRecordDlg&)> driver) {
    CMacroRecordDlg dlg(session, programFolder, parent);
    bool accepted = false;
    if (driver) {
        dlg.show();
        const bool ok = driver(dlg);
        // The driver may have closed the dialog itself, with its buttons.
        if (dlg.isVisible()) {
            if (ok) dlg.pressOk();
            else dlg.pressCancel();
        }
        accepted = dlg.result() == QDialog::Accepted;
    } else {
        accepted = dlg.exec() == QDialog::Accepted;
    }
    if (!accepted) return false;

    const Outcome saved = session.acceptMacros(dlg.model().editor());
    if (!saved.ok && !driver) {
        QMessageBox::warning(parent, qs(text(Text::ErrorCaption, session.uiLanguage())), qs(saved.error));
    }
    return true;
}

}  // namespace morvane
