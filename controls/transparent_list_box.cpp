#include "controls/scroll_rows.h"
#include "controls/transparent_list_box.h"

#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QWheelEvent>

#include "controls/edit_helper.h"
#include "controls/skin_picture.h"

namespace morvane {

namespace {

// Room between the row's left edge and its text.
constexpr int kTextIndent = 2;
// The icon of a delay-only list stands this far left of the row's right edge.
constexpr int kIconFromRight = 20;
// Digits a delay edit takes: enough for any number that will be clamped.
constexpr int kDelayDigits = 9;

std::string utf8(const QString& text) { return text.toStdString(); }
QString qt(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

namespace {

// A screen reader hears the list as a list, named by its owner, and the
// selected row as its value.
class ListAccessibility : public QAccessibleWidget {
public:
    explicit ListAccessibility(CTransparentListBox* list) : QAccessibleWidget(list, QAccessible::List) {}
    QString text(QAccessible::Text t) const override {
        const auto* list = static_cast<const CTransparentListBox*>(widget());
        if (t == QAccessible::Value) return list->currentRow() < 0 ? QString() : list->rowText(list->currentRow());
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* listAccessibility(const QString& className, QObject* object) {
    if (className == QLatin1String("morvane::CTransparentListBox") && object && object->isWidgetType())
        return new ListAccessibility(static_cast<CTransparentListBox*>(object));
    return nullptr;
}

}  // namespace

CTransparentListBox::CTransparentListBox(QWidget* parent) : QAbstractScrollArea(parent) {
    static const bool installed = (QAccessible::installFactory(listAccessibility), true);
    (void)installed;
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    // The rows are drawn straight over the owner's picture.
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    text_ = palette().color(QPalette::Text);
    selectedText_ = palette().color(QPalette::Highlight);
    verticalScrollBar()->setSingleStep(1);
}

// --- look -----------------------------------------------------------------------------

void CTransparentListBox::setListFont(int height, const QString& face, QColor textColour, QColor selectedColour,
                                      bool shadowOn, QColor shadowColour, int shadowOffset) {
    font_ = QFont(face);
    font_.setPixelSize(qMax(1, height));
    font_.setWeight(QFont::Bold);
    hasFont_ = true;
    text_ = textColour;
    selectedText_ = selectedColour;
    shadow_ = shadowOn;
    shadowColour_ = shadowColour;
    shadowOffset_ = shadowOffset;
    if (editor_) editor_->setFont(font_);
    layoutRows();
    viewport()->update();
}

void CTransparentListBox::setBitmapFolder(const QString& bitmapFolder) {
    pressIcon_ = loadBitmap(bitmapFolder, kBitmapPressIcon);
    releaseIcon_ = loadBitmap(bitmapFolder, kBitmapReleaseIcon);
    delayIcon_ = loadBitmap(bitmapFolder, kBitmapDelayIcon);
    viewport()->update();
}

const QFont& CTransparentListBox::rowFont() const { return hasFont_ ? font_ : font(); }

int CTransparentListBox::rowHeight() const { return qMax(1, QFontMetrics(rowFont()).height()); }

// --- rows -----------------------------------------------------------------------------

void CTransparentListBox::setSorted(bool sorted) { model_.setSorted(sorted); }

int CTransparentListBox::addRow(const QString& text, qintptr data) {
    const int at = model_.addRow(utf8(text), data);
    layoutRows();
    viewport()->update();
    return at;
}

int CTransparentListBox::insertRow(int index, const QString& text, qintptr data) {
    const int at = model_.insertRow(index, utf8(text), data);
    layoutRows();
    viewport()->update();
    return at;
}

void CTransparentListBox::removeRow(int index) {
    if (index < 0 || index >= count()) return;
    endEdit(false);
    model_.removeRow(index);
    layoutRows();
    viewport()->update();
}

void CTransparentListBox::clear() {
    endEdit(false);
    model_.clear();
    layoutRows();
    viewport()->update();
}

QString CTransparentListBox::rowText(int index) const { return qt(model_.text(index)); }

int CTransparentListBox::findRow(const QString& text) const { return model_.find(utf8(text)); }

void CTransparentListBox::setCurrentRow(int index) {
    model_.select(index);
    model_.ensureVisible(index);
    syncScrollBar();
    viewport()->update();
}

int CTransparentListBox::rowAt(QPoint point) const {
    const QPoint at = viewport()->mapFrom(this, point);
    if (!viewport()->rect().contains(at)) return -1;
    return model_.rowAt(at.y(), rowHeight());
}

QRect CTransparentListBox::rowRect(int index) const {
    if (index < 0 || index >= count()) return {};
    const QRect inViewport(0, (index - model_.top()) * rowHeight(), viewport()->width(), rowHeight());
    return inViewport.translated(viewport()->pos());
}

void CTransparentListBox::layoutRows() {
    model_.setVisibleRows(viewport()->height() / rowHeight());
    syncScrollBar();
}

void CTransparentListBox::syncScrollBar() { showRowsOn(*verticalScrollBar(), model_, syncing_); }

// --- in-place edit ----------------------------------------------------------------------

void CTransparentListBox::setEditMode(ListEditMode mode) {
    endEdit(false);
    model_.setEditMode(mode);
    viewport()->update();
}

void CTransparentListBox::setMaxEditLength(int units) {
    model_.setMaxEditLength(units);
    if (editor_ && editMode() != ListEditMode::DelayOnly) editor_->setMaxLength(model_.maxEditLength());
}

bool CTransparentListBox::beginEdit(int index) {
    if (editor_) return false;
    const auto text = model_.beginEdit(index);
    if (!text) return false;
    openEditor(*text);
    return true;
}

void CTransparentListBox::openEditor(const std::string& text) {
    model_.ensureVisible(model_.editingRow());
    syncScrollBar();

    auto* edit = new CEditHelper(viewport());
    edit->setFont(rowFont());
    edit->setFrame(true);
    if (editMode() == ListEditMode::DelayOnly) {
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
        edit->setMaxLength(kDelayDigits);
    } else {
        edit->setMaxLength(model_.maxEditLength());
    }
    edit->setText(qt(text));
    edit->selectAll();
    editor_ = edit;
    placeEditor();
    edit->show();
    edit->setFocus(Qt::OtherFocusReason);
    connect(edit, &CEditHelper::editDone, this, &CTransparentListBox::endEdit);
    viewport()->update();
    // Like the message it stands for, the signal is posted: the owner hears
    // of the edit once the list has finished opening it.
    QMetaObject::invokeMethod(this, [this] { emit listEditBegin(); }, Qt::QueuedConnection);
}

void CTransparentListBox::placeEditor() {
    if (!editor_) return;
    const int rh = rowHeight();
    const int y = (model_.editingRow() - model_.top()) * rh;
    editor_->setGeometry(0, y - 2, viewport()->width(), rh + 4);
}

void CTransparentListBox::endEdit(bool commit) {
    CEditHelper* edit = editor_;
    if (!edit) return;
    editor_ = nullptr;
    disconnect(edit, nullptr, this, nullptr);
    const EditEnd end = model_.endEdit(commit, utf8(edit->text()));
    if (edit->hasFocus()) setFocus(Qt::OtherFocusReason);
    edit->hide();
    edit->deleteLater();
    syncScrollBar();
    viewport()->update();
    if (end.notify) {
        const int first = end.first;
        const int second = end.second;
        QMetaObject::invokeMethod(this, [this, first, second] { emit listEditEnd(first, second); },
                                  Qt::QueuedConnection);
    }
}

// --- painting -----------------------------------------------------------------------------

void CTransparentListBox::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    p.setFont(rowFont());
    const int rh = rowHeight();
    const int w = viewport()->width();
    const int h = viewport()->height();
    for (int i = model_.top(), y = 0; i < count() && y < h; ++i, y += rh) drawRow(p, i, QRect(0, y, w, rh));
}

void CTransparentListBox::drawRow(QPainter& p, int index, const QRect& rect) const {
    const RowLook look = rowLook(editMode(), model_.text(index));
    const QString text = qt(look.text);
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextExpandTabs;
    const QRect textRect = rect.adjusted(kTextIndent, 0, 0, 0);
    const bool enabled = isEnabled();
    if (shadow_) {
        p.setPen(enabled ? shadowColour_ : QColor(Qt::white));
        p.drawText(textRect.translated(shadowOffset_, shadowOffset_), flags, text);
    }
    p.setPen(!enabled ? QColor(Qt::black) : index == model_.selected() ? selectedText_ : text_);
    p.drawText(textRect, flags, text);

    const QPixmap* icon = nullptr;
    switch (look.icon) {
    case RowIcon::Press: icon = &pressIcon_; break;
    case RowIcon::Release: icon = &releaseIcon_; break;
    case RowIcon::Delay: icon = &delayIcon_; break;
    case RowIcon::None: break;
    }
    if (icon && !icon->isNull()) p.drawPixmap(rect.right() + 1 - kIconFromRight, rect.top(), *icon);
}

// --- input --------------------------------------------------------------------------------

void CTransparentListBox::selectByUser(bool changed) {
    syncScrollBar();
    viewport()->update();
    if (changed && QAccessible::isActive()) {
        QAccessibleValueChangeEvent said(this, rowText(model_.selected()));
        QAccessible::updateAccessibility(&said);
    }
    if (changed) emit selectionChanged(model_.selected());
}

void CTransparentListBox::mousePressEvent(QMouseEvent* event) {
    // A right press selects the row under the pointer, so the menu that
    // follows acts on it; below the rows it leaves the selection alone.
    if (event->button() == Qt::RightButton) {
        const int index = model_.rowAt(qRound(event->position().y()), rowHeight());
        if (index >= 0 && index != model_.selected()) selectByUser(model_.click(index));
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const int index = model_.rowAt(qRound(event->position().y()), rowHeight());
    selectByUser(model_.click(index));
}

void CTransparentListBox::mouseReleaseEvent(QMouseEvent* event) {
    // The click was the list's: the window behind it must not take the
    // release for a click of its own (it would rebuild the list and close an
    // edit that the double-click just opened).
    if (event->button() == Qt::LeftButton) event->accept();
    else QAbstractScrollArea::mouseReleaseEvent(event);
}

void CTransparentListBox::contextMenuEvent(QContextMenuEvent* event) {
    // The scroll area hands its viewport's context-menu events here, so a
    // menu asked for on the viewport would never open.
    emit contextMenuRequested(event->globalPos());
    event->accept();
}

void CTransparentListBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    if (editor_) return;
    const int index = model_.rowAt(qRound(event->position().y()), rowHeight());
    if (const auto text = model_.doubleClick(index)) openEditor(*text);
}

void CTransparentListBox::wheelEvent(QWheelEvent* event) {
    endEdit(true);
    const int delta = event->angleDelta().y();
    int notches = delta / 120;
    if (notches == 0 && delta != 0) notches = delta > 0 ? 1 : -1;
    if (model_.scrollBy(-notches * kWheelRows)) {
        syncScrollBar();
        viewport()->update();
    }
    event->accept();
}

void CTransparentListBox::scrollContentsBy(int, int) {
    if (syncing_) return;
    // An open edit is committed before its row moves away.
    endEdit(true);
    model_.setTop(verticalScrollBar()->value());
    viewport()->update();
}

void CTransparentListBox::keyPressEvent(QKeyEvent* event) {
    ListKey key;
    switch (event->key()) {
    case Qt::Key_Up: key = ListKey::Up; break;
    case Qt::Key_Down: key = ListKey::Down; break;
    case Qt::Key_PageUp: key = ListKey::PageUp; break;
    case Qt::Key_PageDown: key = ListKey::PageDown; break;
    case Qt::Key_Home: key = ListKey::Home; break;
    case Qt::Key_End: key = ListKey::End; break;
    case Qt::Key_F2: beginEdit(currentRow()); return;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    selectByUser(model_.key(key));
}

void CTransparentListBox::resizeEvent(QResizeEvent* event) {
    // The viewport's resizes come here too, and opening an edit can show the
    // scroll bar and so resize the viewport: the edit stays open and moves
    // with its row.
    QAbstractScrollArea::resizeEvent(event);
    layoutRows();
    if (editor_) {
        model_.ensureVisible(model_.editingRow());
        syncScrollBar();
        placeEditor();
    }
}

void CTransparentListBox::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) layoutRows();
    if (event->type() == QEvent::EnabledChange) viewport()->update();
    QAbstractScrollArea::changeEvent(event);
}

}  // namespace morvane
