#include "controls/scroll_rows.h"
#include "controls/vivid_tree.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include "controls/skin_picture.h"

namespace morvane {

namespace {

QColor rgb(std::uint32_t c) { return QColor((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }
std::uint32_t packed(const QColor& c) {
    return (static_cast<std::uint32_t>(c.red()) << 16) | (static_cast<std::uint32_t>(c.green()) << 8) |
           static_cast<std::uint32_t>(c.blue());
}

}  // namespace

VividTree::VividTree(QWidget* parent)
    : QAbstractScrollArea(parent), gradientStart_(rgb(kTreeGradientStart)), gradientEnd_(rgb(kTreeGradientEnd)) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(1);
}

// --- items ------------------------------------------------------------------------------

TreeItem VividTree::insertItem(const QString& text, TreeItem parent) {
    const TreeItem item = model_.insertItem(text.toStdString(), parent);
    layoutRows();
    viewport()->update();
    return item;
}

void VividTree::clear() {
    model_.clear();
    layoutRows();
    viewport()->update();
}

QString VividTree::itemText(TreeItem item) const { return QString::fromStdString(model_.text(item)); }

TreeItem VividTree::findItem(const QString& text) const { return model_.find(text.toStdString()); }

void VividTree::selectItem(TreeItem item) {
    model_.select(item);
    syncScrollBar();
    viewport()->update();
}

void VividTree::expandItem(TreeItem item, bool expand) {
    model_.setExpanded(item, expand);
    syncScrollBar();
    viewport()->update();
}

int VividTree::rowHeight() const { return QFontMetrics(font()).height() + 4; }

TreeItem VividTree::itemAt(QPoint point) const {
    const QPoint at = viewport()->mapFrom(this, point);
    TreeItem item = kNoTreeItem;
    model_.hitTest(at.x(), at.y(), rowHeight(), &item);
    return item;
}

void VividTree::layoutRows() {
    model_.setVisibleRows(viewport()->height() / rowHeight());
    syncScrollBar();
}

void VividTree::syncScrollBar() { showRowsOn(*verticalScrollBar(), model_, syncing_); }

// --- look -------------------------------------------------------------------------------

bool VividTree::loadTreeBitmaps(const QString& bitmapFolder) {
    collapsedIcon_ = loadBitmap(bitmapFolder, kBitmapTreeCollapsed);
    expandedIcon_ = loadBitmap(bitmapFolder, kBitmapTreeExpanded);
    viewport()->update();
    return !collapsedIcon_.isNull() && !expandedIcon_.isNull();
}

void VividTree::setBackgroundPicture(const QPixmap& picture) {
    picture_ = picture;
    viewport()->update();
}

void VividTree::setBackgroundMode(TreeBackground mode) {
    mode_ = mode;
    viewport()->update();
}

void VividTree::setTile(bool tile) {
    tile_ = tile;
    viewport()->update();
}

void VividTree::setGradientColours(QColor start, QColor end) {
    gradientStart_ = start;
    gradientEnd_ = end;
    viewport()->update();
}

void VividTree::setHorizontalGradient(bool horizontal) {
    horizontal_ = horizontal;
    viewport()->update();
}

void VividTree::setShowSelectionAlways(bool on) {
    showSelectionAlways_ = on;
    viewport()->update();
}

QColor VividTree::textColour() const { return rgb(treeTextColour(mode_, packed(gradientStart_), packed(gradientEnd_))); }

// --- painting ---------------------------------------------------------------------------

void VividTree::paintBackground(QPainter& p, const QRect& extent) const {
    switch (mode_) {
    case TreeBackground::Picture:
        if (picture_.isNull()) return;
        if (tile_) p.drawTiledPixmap(extent, picture_);
        else p.drawPixmap(extent, picture_);
        return;
    case TreeBackground::Gradient: {
        QLinearGradient g(extent.topLeft(), horizontal_ ? extent.topRight() : extent.bottomLeft());
        g.setColorAt(0, gradientStart_);
        g.setColorAt(1, gradientEnd_);
        p.fillRect(extent, g);
        return;
    }
    case TreeBackground::Solid: p.fillRect(viewport()->rect(), rgb(kTreeSolidColour)); return;
    }
}

void VividTree::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    p.setFont(font());
    const int rh = rowHeight();
    const int w = viewport()->width();
    const int h = viewport()->height();
    // The background spans every row, scrolled with them, so it does not
    // slide under the items as they scroll.
    const QRect extent(0, -model_.top() * rh, w, qMax(h, model_.rowCount() * rh));
    paintBackground(p, extent);

    const bool band = hasFocus() || showSelectionAlways_;
    p.setPen(textColour());
    for (int row = model_.top(), y = 0; row < model_.rowCount() && y < h; ++row, y += rh) {
        const TreeItem item = model_.itemAtRow(row);
        if (band && item == model_.selected()) p.fillRect(0, y, w, rh, rgb(kTreeSelectionColour));
        if (model_.hasChildren(item)) {
            const QPixmap& icon = model_.isExpanded(item) ? expandedIcon_ : collapsedIcon_;
            if (!icon.isNull()) p.drawPixmap(model_.iconLeft(item), y + 4, icon);
        }
        const int left = model_.textLeft(item);
        p.drawText(QRect(left, y + 1, w - left, rh - 2), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   itemText(item));
    }
}

// --- input ------------------------------------------------------------------------------

void VividTree::userChange(TreeChange change, TreeItem expandedItem) {
    if (!change.any()) return;
    model_.ensureVisible(model_.selected());
    syncScrollBar();
    viewport()->update();
    if (change.expansion && model_.valid(expandedItem))
        emit itemExpanded(expandedItem, model_.isExpanded(expandedItem));
    if (change.selection) emit selectionChanged(model_.selected());
}

void VividTree::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const QPoint at = event->position().toPoint();
    TreeItem item = kNoTreeItem;
    model_.hitTest(at.x(), at.y(), rowHeight(), &item);
    userChange(model_.press(at.x(), at.y(), rowHeight()), item);
}

void VividTree::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    const QPoint at = event->position().toPoint();
    TreeItem item = kNoTreeItem;
    model_.hitTest(at.x(), at.y(), rowHeight(), &item);
    userChange(model_.doubleClick(at.x(), at.y(), rowHeight()), item);
}

void VividTree::keyPressEvent(QKeyEvent* event) {
    TreeKey key;
    switch (event->key()) {
    case Qt::Key_Up: key = TreeKey::Up; break;
    case Qt::Key_Down: key = TreeKey::Down; break;
    case Qt::Key_Left: key = TreeKey::Left; break;
    case Qt::Key_Right: key = TreeKey::Right; break;
    case Qt::Key_Home: key = TreeKey::Home; break;
    case Qt::Key_End: key = TreeKey::End; break;
    case Qt::Key_PageUp: key = TreeKey::PageUp; break;
    case Qt::Key_PageDown: key = TreeKey::PageDown; break;
    case Qt::Key_Plus: key = TreeKey::Expand; break;
    case Qt::Key_Minus: key = TreeKey::Collapse; break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    const TreeItem before = model_.selected();
    userChange(model_.key(key), before);
}

void VividTree::scrollContentsBy(int, int) {
    if (syncing_) return;
    model_.setTop(verticalScrollBar()->value());
    viewport()->update();
}

void VividTree::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    layoutRows();
}

void VividTree::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void VividTree::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void VividTree::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) layoutRows();
    QAbstractScrollArea::changeEvent(event);
}

}  // namespace morvane
