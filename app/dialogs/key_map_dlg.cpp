#include "app/dialogs/key_map_dlg.h"

#include <QDir>
#include <QFileDialog>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QToolTip>
#include <QWindow>

#include "session/session.h"
#include "base/lighting.h"
#include "base/texts.h"
#include "controls/skin_focus_button.h"
#include "controls/skin_picture.h"
#include "controls/transparent_list_box.h"
#include "controls/vivid_tree.h"
#include "base/key_names.h"

namespace morvane {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// The lists' scroll bars in the skin's colours.
const char* const kScrollBarStyle =
    "QScrollBar:vertical { background: #1e1e1e; width: 10px; margin: 0px; border: none; }"
    "QScrollBar::handle:vertical { background: #4a4a53; min-height: 18px; border-radius: 3px; margin: 1px 2px; }"
    "QScrollBar::handle:vertical:hover { background: #c8232c; }"
    "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0px; }"
    "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }";

QRect rectOf(const ControlRect& r) { return {r.x, r.y, r.width, r.height}; }

QLineEdit* makeBox(QWidget* parent, const ControlRect& r, const QString& name) {
    auto* box = new QLineEdit(parent);
    box->setGeometry(rectOf(r));
    box->setAlignment(Qt::AlignCenter);
    box->setFrame(false);
    box->setReadOnly(true);                        // keys are captured, not typed
    box->setContextMenuPolicy(Qt::NoContextMenu);  // or pasted
    box->setAccessibleName(name);
    box->setFont(skinFont(14, 400));
    // The dialog paints the box's colour and its prompt underneath.
    box->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; color: white; border: none;"
                                      " padding: 0px; selection-background-color: rgb(200, 35, 44); }"));
    markFocus(box);
    return box;
}

void setBoxText(QLineEdit* box, const std::string& text) {
    const QString t = qs(text);
    if (box->text() != t) box->setText(t);
    box->setCursorPosition(static_cast<int>(t.size()));  // the caret after the text
}

}  // namespace

QString keyMapPictureFolder(const QString& programFolder, std::uint16_t uiLanguage) {
    return QDir(programFolder).filePath(uiLanguage == kLanguageChinese ? QStringLiteral("png/chinese/Custom")
                                                                       : QStringLiteral("png/english/Custom"));
}

CKeyMap::CKeyMap(KeyMapModel& model, const KeyMapContext& context, const QString& programFolder, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      model_(model),
      pictures_(keyMapPictureFolder(programFolder, context.uiLanguage)),
      keySource_(relay_) {
    model_.initialise(context);
    setWindowTitle(QString::fromUtf8(text(Text::CurrentKey, context.uiLanguage)));
    setMouseTracking(true);
    const QPixmap& background = pictures_.picture("Custom_BK.png");
    setFixedSize(background.isNull() ? QSize(kKeyMapWidth, kKeyMapHeight) : logicalSize(background));

    const std::uint16_t language = context.uiLanguage;
    // The painted buttons before the page's controls in Tab order, and after.
    const auto addStops = [this](const std::vector<KeyMapStop>& stops) {
        for (const KeyMapStop& stop : stops) {
            auto* button = addSkinFocusButtons(this, {{rectOf(stop.area), qs(stop.name), [this, stop] {
                                                           carryOut(model_.activate(stop));
                                                       }}})
                               .front();
            stops_.emplace_back(button, stop.page);
        }
    };
    addStops(keyMapStopsBefore(language));
    single_ = makeBox(this, kSingleBoxRect, qs(text(Text::SingleKey, language)));
    combine_ = makeBox(this, kCombineBoxRect, qs(text(Text::CombineKeys, language)));
    single_->installEventFilter(this);
    combine_->installEventFilter(this);

    macros_ = new CTransparentListBox(this);
    macros_->setGeometry(rectOf(kMacroListRect));
    macros_->setListFont(13, QStringLiteral("Arial"), Qt::white, QColor(0xff, 0x5a, 0x62));
    macros_->verticalScrollBar()->setStyleSheet(QString::fromLatin1(kScrollBarStyle));
    for (const std::string& name : model_.macroNames()) macros_->addRow(qs(name));
    connect(macros_, &CTransparentListBox::selectionChanged, this, [this](int row) {
        if (syncing_) return;
        model_.selectMacro(row);
        syncControls();
    });

    functions_ = new VividTree(this);
    functions_->setGeometry(rectOf(kFunctionTreeRect));
    functions_->setBackgroundMode(TreeBackground::Solid);
    functions_->setFont(skinFont(14, 400));
    functions_->verticalScrollBar()->setStyleSheet(QString::fromLatin1(kScrollBarStyle));
    functions_->loadTreeBitmaps(bitmapFolderFor(programFolder));
    fillFunctionList();
    markFocus(macros_);
    markFocus(functions_);
    connect(functions_, &VividTree::selectionChanged, this, [this](TreeItem item) {
        if (syncing_) return;
        model_.selectFunction(item);
    });

    addStops(keyMapStopsAfter(language));
    QWidget* previous = nullptr;
    for (QWidget* w : {static_cast<QWidget*>(stops_[3].first), static_cast<QWidget*>(single_),
                       static_cast<QWidget*>(combine_), static_cast<QWidget*>(macros_),
                       static_cast<QWidget*>(functions_)}) {
        if (previous) setTabOrder(previous, w);
        previous = w;
    }
    for (const auto& [button, page] : stops_)
        if (page == PageAdvance) {
            setTabOrder(previous, button);
            previous = button;
        }
    for (std::size_t i = stops_.size() - 5; i < stops_.size(); ++i) {
        setTabOrder(previous, stops_[i].first);
        previous = stops_[i].first;
    }

    showMessage = [this](const QString& text) {
        QMessageBox box(QMessageBox::NoIcon, QString(), text.trimmed(), QMessageBox::Ok, this);
        box.exec();
    };
    pickPath = [this](const PathPicker& p, const QString& start) { return pickWithDialog(p, start); };

    // Keys reach the hook from the dialog and every control in it, and are
    // swallowed there while the hook is in place: only while a box is armed.
    installEventFilter(&keySource_);
    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(&keySource_);

    syncControls();
    if (model_.page() == PageSingleCombine)
        (model_.request().kind == KindCombination ? combine_ : single_)->setFocus(Qt::OtherFocusReason);
}

void CKeyMap::arm(KeyMapBox box) {
    model_.arm(box);
    if (!relay_.installed()) model_.setHookActive(relay_.installhook(*this, kHookModePressRelease));
    QLineEdit* edit = box == KeyMapBox::Single ? single_ : combine_;
    if (!edit->hasFocus()) edit->setFocus(Qt::MouseFocusReason);
    syncControls();
}

void CKeyMap::disarm() {
    model_.disarm();
    syncControls();
}

CKeyMap::~CKeyMap() {
    if (relay_.installed()) relay_.removehook();
}

void CKeyMap::fillFunctionList() {
    const TreeModel& tree = model_.functionTree();
    for (TreeItem item = 0; item < tree.itemCount(); ++item)
        functions_->insertItem(qs(tree.text(item)), tree.parent(item));
    for (TreeItem item = 0; item < tree.itemCount(); ++item)
        if (tree.isExpanded(item)) functions_->expandItem(item);
}

void CKeyMap::syncControls() {
    syncing_ = true;
    const int page = model_.page();
    single_->setVisible(page == PageSingleCombine);
    combine_->setVisible(page == PageSingleCombine);
    macros_->setVisible(page == PageMacro);
    functions_->setVisible(page == PageBasic);
    setBoxText(single_, model_.singleText());
    setBoxText(combine_, model_.combineText());
    // The prompt painted under a box, for the screen reader too.
    single_->setAccessibleDescription(qs(model_.boxPrompt(KeyMapBox::Single)));
    combine_->setAccessibleDescription(qs(model_.boxPrompt(KeyMapBox::Combine)));
    // The hook is held only while a box waits for its keys.
    if (!model_.armedBox() && relay_.installed()) {
        relay_.removehook();
        model_.setHookActive(false);
    }
    for (const auto& [button, buttonPage] : stops_) button->setVisible(buttonPage < 0 || buttonPage == page);
    if (macros_->currentRow() != model_.selectedMacro()) macros_->setCurrentRow(model_.selectedMacro());
    if (functions_->selectedItem() != model_.selectedFunction()) functions_->selectItem(model_.selectedFunction());
    syncing_ = false;
    update();
}

void CKeyMap::onHookKey(std::uint8_t virtualKey, bool released) {
    if (released) model_.hookKeyReleased(virtualKey);
    else model_.hookKey(virtualKey);
    syncControls();  // gives the hook back once the box has its keys
}

bool CKeyMap::eventFilter(QObject* watched, QEvent* event) {
    if (watched != single_ && watched != combine_) return QDialog::eventFilter(watched, event);
    const KeyMapBox box = watched == single_ ? KeyMapBox::Single : KeyMapBox::Combine;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) arm(box);
        return true;
    case QEvent::MouseButtonDblClick: return true;
    case QEvent::KeyPress: {
        // A box that does not wait takes Enter (or Space) as "wait for a key".
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (model_.armedBox() != box && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)) {
            arm(box);
            return true;
        }
        break;
    }
    case QEvent::FocusOut:
        if (model_.armedBox() == box) disarm();
        break;
    default: break;
    }
    return QDialog::eventFilter(watched, event);
}

bool CKeyMap::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        // A long launch path is shown cut short; the tip holds all of it.
        auto* help = static_cast<QHelpEvent*>(e);
        const std::string tip = model_.pathTipAt(help->pos().x(), help->pos().y());
        if (tip.empty()) QToolTip::hideText();
        else QToolTip::showText(help->globalPos(), qs(tip), this);
        return true;
    }
    return QDialog::event(e);
}

void CKeyMap::paintEvent(QPaintEvent*) {
    DrawList list;
    model_.compose(list);
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0x18, 0x18, 0x1c));
    paintDrawList(painter, list, pictures_);
}

void CKeyMap::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    const QPoint p = e->position().toPoint();
    model_.press(p.x(), p.y());
}

void CKeyMap::mouseMoveEvent(QMouseEvent* e) {
    if (drag_.follow(*e)) return;
    const QPoint p = e->position().toPoint();
    const KeyMapMove out = model_.move(p.x(), p.y(), e->buttons() & Qt::LeftButton);
    if (out.startDrag) drag_.start(*e);
    if (out.repaint) update();
}

void CKeyMap::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    if (drag_.finish()) return;
    const QPoint p = e->position().toPoint();
    const int before = model_.page();
    carryOut(model_.release(p.x(), p.y()));
    // A page chosen with the pointer takes the focus to its first control,
    // rather than leaving it wherever the hidden one passed it on.
    if (!isVisible() || model_.page() == before) return;
    if (model_.page() == PageMacro) macros_->setFocus(Qt::OtherFocusReason);
    else if (model_.page() == PageBasic) functions_->setFocus(Qt::OtherFocusReason);
    else if (model_.page() == PageAdvance)
        for (const auto& [button, page] : stops_)
            if (page == PageAdvance) {
                button->setFocus(Qt::OtherFocusReason);
                break;
            }
}

void CKeyMap::leaveEvent(QEvent*) {
    model_.leave();
    update();
}

void CKeyMap::keyPressEvent(QKeyEvent* e) {
    // What no control took: Escape is Cancel, Enter is Save.
    switch (e->key()) {
    case Qt::Key_Escape: carryOut(model_.cancelKey()); break;
    case Qt::Key_Return:
    case Qt::Key_Enter: carryOut(model_.enterKey()); break;
    default: QDialog::keyPressEvent(e); return;
    }
    e->accept();
}

void CKeyMap::carryOut(const KeyMapOutcome& out) {
    if (out.pickRow >= 0) {
        const std::optional<QString> chosen =
            pickPath(pathPickerFor(out.pickRow, model_.uiLanguage()), QString::fromStdU16String(model_.lastPickedFolder()));
        std::optional<std::u16string> path;
        if (chosen) path = chosen->toStdU16String();
        const KeyMapOutcome picked = model_.pathPicked(out.pickRow, path);
        syncControls();
        if (!picked.message.empty()) showMessage(qs(picked.message));
    }
    syncControls();
    if (out.focusSingle) single_->setFocus();
    if (!out.message.empty()) showMessage(qs(out.message));
    if (out.close == KeyMapClose::Ok) accept();
    else if (out.close == KeyMapClose::Cancel) reject();
}

std::optional<QString> CKeyMap::pickWithDialog(const PathPicker& picker, const QString& startFolder) {
    QFileDialog dialog(this);
    dialog.setDirectory(startFolder.isEmpty() ? QDir::homePath() : startFolder);
    if (picker.folder) {
        dialog.setWindowTitle(qs(picker.title));
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
    } else {
        dialog.setFileMode(QFileDialog::ExistingFile);
        QStringList filters{qs(picker.filter)};
        for (const std::string& more : picker.moreFilters) filters << qs(more);
        dialog.setNameFilters(filters);
        if (picker.selectedFilter < filters.size()) dialog.selectNameFilter(filters[picker.selectedFilter]);
        if (!picker.defaultSuffix.empty()) dialog.setDefaultSuffix(qs(picker.defaultSuffix));
        // The programs filter lists what may be run (and the folders to get there).
        const auto listFor = [&dialog, picker, filters](const QString& chosen) {
            const bool programs = picker.executablesFilter && filters.size() > 1 && chosen == filters[1];
            dialog.setFilter(programs ? QDir::AllDirs | QDir::Files | QDir::Executable | QDir::NoDotAndDotDot
                                      : QDir::AllEntries | QDir::NoDotAndDotDot);
        };
        connect(&dialog, &QFileDialog::filterSelected, &dialog, listFor);
        listFor(dialog.selectedNameFilter());
    }
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : QDir::toNativeSeparators(files.front());
}

bool runKeyAssignment(QWidget* parent, Session& session, int keyIndex, const QString& programFolder,
                      std::function<bool(CKeyMap&)> driver) {
    // A key that takes no assignment opens nothing.
    if (!session.beginKeyAssignment(keyIndex)) return false;
    const KeyMapContext context = keyMapContextOf(session, keyIndex);

    // One dialog model for the life of the program: the chosen function and
    // the last folder are remembered from key to key.
    static KeyMapModel model;
    CKeyMap dialog(model, context, programFolder, parent);
    bool ok = false;
    if (driver) {
        dialog.show();
        ok = driver(dialog);
        dialog.hide();
    } else {
        ok = dialog.exec() == QDialog::Accepted;
    }
    if (!ok) return false;

    if (const Outcome confirmed = session.confirmKeyAssignment(keyIndex, model.request()); !confirmed) {
        dialog.showMessage(qs(confirmed.error));
        return false;
    }
    return true;
}

}  // namespace morvane
