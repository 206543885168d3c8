#include "app/dialogs/configure_dlg.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QStandardPaths>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>

#include "app/app_look.h"
#include "app/dialogs/switch_rules_controls.h"
#include "app/dialogs/switch_rules_page.h"
#include "app/quorlin_dlg.h"
#include "session/session.h"
#include "base/texts.h"
#include "controls/skin_focus_button.h"
#include "controls/transparent_list_box.h"
#include "macro/macro_store.h"
#include "platform/settings_store.h"

namespace morvane {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

QColor toQColor(Colour c) { return QColor(c.r, c.g, c.b); }

// The in-place edit in the skin's colours; message boxes and file dialogs
// keep the desktop's look.
const char* kEditStyle =
    "QLineEdit { background: #26262c; color: #f2f2f4; border: 1px solid #c8232c;"
    "  selection-background-color: #c8232c; selection-color: #ffffff; padding: 0 1px; }";

}  // namespace

CConfigureDlg::CConfigureDlg(Session& session, const QString& pictureRoot, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      settings_(openUserSettings()),
      manager_(session.openProfileManager(*settings_)),
      model_(*manager_, session.userFolder()),
      rules_(std::make_unique<SwitchRulesPage>(session, *settings_, *manager_)),
      pictures_(pictureFolderFor(pictureRoot, session.uiLanguage())) {
    setWindowTitle(QString::fromUtf8(text(Text::ProfileManager, session.uiLanguage())));
    setMouseTracking(true);
    const QPixmap& background = pictures_.picture(kConfigureBackground);
    setFixedSize(background.isNull() ? QSize(kConfigureWidth, kConfigureHeight) : logicalSize(background));

    list_ = new CTransparentListBox(this);
    list_->setStyleSheet(QString::fromLatin1(kEditStyle));
    list_->setGeometry(kConfigureList.left, kConfigureList.top, kConfigureList.width(), kConfigureList.height());
    list_->setListFont(kProfileRowHeight, QStringLiteral("Arial"), toQColor(kProfileRowColour),
                       toQColor(kProfileSelectedColour), true, Qt::black, kProfileShadowOffset);
    list_->setSorted(true);
    list_->setEditMode(ListEditMode::Rename);
    list_->setMaxEditLength(static_cast<int>(kMaxProfileNameUnits));
    list_->viewport()->installEventFilter(this);
    list_->installEventFilter(this);
    connect(list_, &CTransparentListBox::selectionChanged, this, [this](int row) {
        manager_->select(row < 0 ? std::nullopt : std::optional<int>(row));
    });
    connect(list_, &CTransparentListBox::listEditEnd, this, &CConfigureDlg::renamed);

    showBox = [this](const ConfigureBox& box) { return showBoxDefault(box); };
    chooseFile = [this](const FileRequest& request) { return chooseFileDefault(request); };
    runMenu = [](QMenu& menu, const QPoint& at) { return menu.exec(at); };

    // Exported and imported profiles live with the user's documents, not
    // among the program's files.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    model_.setDocumentsFolder((documents.isEmpty() ? QDir::homePath() : documents).toStdString());
    if (session.keyboardModel() != KeyboardModel::None)
        model_.setAsFoundFile(asFoundFile(session.userFolder(), session.keyboardModel()));
    model_.attachSwitchingPage(*rules_);
    rulesControls_ = new SwitchRulesControls(*this, *rules_, [this] { update(); });
    rulesControls_->enterPressed = [this] {
        (void)rules_->add();
        rulesControls_->refill();
    };

    // The painted buttons, for Tab and the screen reader: the two pages, then
    // the list or the rules, then New, Delete and the close box.
    const auto stop = [this](const ConfigureRect& r, Text name) {
        const QRect area(r.left, r.top, r.width(), r.height());
        return SkinButtonPlace{area.adjusted(-1, -1, 1, 1), QString::fromUtf8(text(name, model_.language())),
                              [this, area] {
                                  list_->endEdit(true);
                                  ConfigureView v = view();
                                  finish(model_.release(area.center().x(), area.center().y(), v));
                              }};
    };
    const auto tabs = addSkinFocusButtons(this, {stop(kConfigureProfilesTab, Text::ProfileTitle),
                                                 stop(kConfigureSwitchingTab, Text::SwitchingTab)});
    const auto buttons = addSkinFocusButtons(this, {stop(kConfigureNewButton, Text::New),
                                                    stop(kConfigureDeleteButton, Text::Delete),
                                                    stop(kConfigureCloseBox, Text::Close)});
    list_->setAccessibleName(QString::fromUtf8(text(Text::ProfileTitle, model_.language())));
    markFocus(list_);
    QWidget* previous = tabs.back();
    for (QWidget* w : {static_cast<QWidget*>(list_), static_cast<QWidget*>(rulesControls_->rulesList()),
                       static_cast<QWidget*>(rulesControls_->defaultBox()), static_cast<QWidget*>(rulesControls_->kindBox()),
                       static_cast<QWidget*>(rulesControls_->textBox()), static_cast<QWidget*>(rulesControls_->profileBox()),
                       static_cast<QWidget*>(buttons.front())}) {
        setTabOrder(previous, w);
        previous = w;
    }
    markFocus(rulesControls_->rulesList());

    model_.open();
    fillList();
    showPage();
    list_->setFocus(Qt::OtherFocusReason);
}

CConfigureDlg::~CConfigureDlg() = default;

// --- the list ------------------------------------------------------------------------------

void CConfigureDlg::fillList() {
    list_->clear();
    // Row i of the list is row i of the manager, in the manager's order.
    const auto& names = manager_->names();
    for (int i = 0; i < static_cast<int>(names.size()); ++i) list_->insertRow(i, qs(names[i]));
    list_->setCurrentRow(manager_->selection().value_or(-1));
    update();
}

void CConfigureDlg::renamed(int oldRow, int newRow) {
    const std::string text = newRow >= 0 && newRow < list_->count() ? list_->rowText(newRow).toStdString() : "";
    ConfigureView v = view();
    model_.renamed(oldRow, text, v);
    fillList();
}

// --- commands ------------------------------------------------------------------------------

ConfigureView CConfigureDlg::view() {
    ConfigureView v;
    v.show = [this](const ConfigureBox& box) { return showBox ? showBox(box) : false; };
    v.chooseFile = [this](const FileRequest& request) -> std::optional<std::filesystem::path> {
        if (!chooseFile) return std::nullopt;
        const std::optional<QString> file = chooseFile(request);
        if (!file || file->isEmpty()) return std::nullopt;
        return std::filesystem::path(file->toStdString());
    };
    return v;
}

void CConfigureDlg::runCommand(ConfigureCommand command) {
    // A rename still open is finished first, so the command sees the list as shown.
    list_->endEdit(true);
    ConfigureView v = view();
    finish(model_.command(command, v));
}

void CConfigureDlg::showPage() {
    const bool switching = model_.page() == ConfigurePage::Switching;
    list_->setVisible(!switching);
    rulesControls_->setVisible(switching);
    if (switching) rulesControls_->refill();
}

void CConfigureDlg::finish(ConfigureEnd end) {
    fillList();
    showPage();
    if (end == ConfigureEnd::Ok) accept();
    else if (end == ConfigureEnd::Cancel) reject();
}

std::unique_ptr<QMenu> CConfigureDlg::buildMenu() {
    auto menu = std::make_unique<QMenu>(this);
    menu->setStyleSheet(QString::fromLatin1(kSkinMenuStyle));
    for (const ConfigureCommand command : configureMenu()) {
        if (!model_.offers(command)) continue;
        QAction* action = menu->addAction(QString::fromUtf8(commandText(command, model_.language())));
        action->setData(static_cast<int>(command));
    }
    return menu;
}

void CConfigureDlg::openMenu(const QPoint& globalPos) {
    const std::unique_ptr<QMenu> menu = buildMenu();
    QAction* chosen = runMenu ? runMenu(*menu, globalPos) : nullptr;
    if (!chosen) return;
    runCommand(static_cast<ConfigureCommand>(chosen->data().toInt()));
}

bool CConfigureDlg::showBoxDefault(const ConfigureBox& box) {
    QMessageBox message(box.withCancel ? QMessageBox::Question : QMessageBox::Information, qs(box.caption),
                        qs(box.text), box.withCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok, this);
    return message.exec() == QMessageBox::Ok;
}

std::optional<QString> CConfigureDlg::chooseFileDefault(const FileRequest& request) {
    QFileDialog dialog(this, qs(request.title), QString::fromStdString(pathText(request.folder)),
                       qs(request.filter));
    if (!request.name.empty()) dialog.selectFile(qs(request.name));
    const bool saving = request.kind == FileRequest::Kind::SaveAs;
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(qs(request.defaultSuffix));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first();
}

// --- painting and input ----------------------------------------------------------------------

void CConfigureDlg::paintEvent(QPaintEvent*) {
    DrawList list;
    model_.compose(list);
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0x18, 0x18, 0x1c));
    paintDrawList(painter, list, pictures_);
}

void CConfigureDlg::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    // A press on the free background moves the window, as a caption would.
    if (event->button() == Qt::LeftButton && configureAreaAt(at.x(), at.y()) == ConfigureArea::None) {
        drag_.start(*event);
    }
    event->accept();
}

void CConfigureDlg::mouseMoveEvent(QMouseEvent* event) {
    if (drag_.follow(*event)) return;
    const QPoint at = event->position().toPoint();
    const ConfigureArea area = configureAreaAt(at.x(), at.y());
    const bool button = area != ConfigureArea::None && area != ConfigureArea::List;
    setCursor(button ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void CConfigureDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    if (drag_.finish()) return;
    const QPoint at = event->position().toPoint();
    if (configureAreaAt(at.x(), at.y()) == ConfigureArea::None) return;
    list_->endEdit(true);
    ConfigureView v = view();
    finish(model_.release(at.x(), at.y(), v));
}

void CConfigureDlg::keyPressEvent(QKeyEvent* event) {
    // Enter on the profile list (a rename ends with its own Enter) is the
    // close box: the selected profile is applied. Escape closes with Cancel.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();  // the switching page's form takes it as "Add" itself
        return;
    }
    QDialog::keyPressEvent(event);
}

bool CConfigureDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress && !list_->isEditing()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ConfigureView v = view();
            finish(model_.closeBox(v));
            return true;
        }
    }
    if (watched == list_->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            // The menu acts on the row under the pointer: it is selected first.
            list_->endEdit(true);
            const int row = list_->rowAt(list_->viewport()->mapTo(list_, mouse->position().toPoint()));
            if (row >= 0 && row != list_->currentRow()) {
                list_->setCurrentRow(row);
                manager_->select(row);
                update();
            }
            openMenu(mouse->globalPosition().toPoint());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// --- the entry point ----------------------------------------------------------------------------

bool runProfileManager(QWidget* parent, Session& session, const QString& programFolder, QRect mainWindowRect,
                       std::function<bool(CConfigureDlg&)> driver) {
    CConfigureDlg dlg(session, programFolder, parent);
    const ConfigurePlace place = configurePlace(mainWindowRect.left(), mainWindowRect.top());
    dlg.move(place.x, place.y);
    if (driver) {
        dlg.setModal(true);
        dlg.show();
        const bool handOver = driver(dlg);
        if (dlg.isVisible()) {
            if (handOver) dlg.exec();
            else dlg.reject();
        }
    } else {
        dlg.exec();
    }
    const bool ok = dlg.result() == QDialog::Accepted;
    if (const Outcome closed = session.closeProfileManager(dlg.manager(), ok); !closed && !driver) {
        QMessageBox::warning(parent, qs(text(Text::ErrorCaption, session.uiLanguage())), qs(closed.error));
    }
    return ok;
}

}  // namespace morvane
