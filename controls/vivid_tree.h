// VividTree: a tree of text items on a painted background (a picture, a
// gradient or a solid dark fill), white text, a coloured band behind the
// selected row and small pictures for the open and closed state of items
// with children. The rules (items, expansion, selection, rows, input) live in
// TreeModel; item handles are TreeItem numbers, kNoTreeItem for none.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QPixmap>

#include "controls/vivid_tree_model.h"

namespace morvane {

class VividTree : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit VividTree(QWidget* parent = nullptr);

    // --- items --------------------------------------------------------------------
    // Adds an item as the last child of `parent` (kNoTreeItem: top level).
    TreeItem insertItem(const QString& text, TreeItem parent = kNoTreeItem);
    void clear();
    QString itemText(TreeItem item) const;
    TreeItem parentItem(TreeItem item) const { return model_.parent(item); }
    bool hasChildren(TreeItem item) const { return model_.hasChildren(item); }
    TreeItem firstTopLevelItem() const { return model_.firstTopLevel(); }
    // The first item, top to bottom, with this text; kNoTreeItem for none.
    TreeItem findItem(const QString& text) const;

    // Selecting opens the item's ancestors and scrolls it into view. Doing it
    // from here does not emit selectionChanged.
    TreeItem selectedItem() const { return model_.selected(); }
    void selectItem(TreeItem item);
    void expandItem(TreeItem item, bool expand = true);
    bool isExpanded(TreeItem item) const { return model_.isExpanded(item); }
    // The item drawn at a point of the tree (its own coordinates).
    TreeItem itemAt(QPoint point) const;
    int rowHeight() const;

    // --- look ---------------------------------------------------------------------
    // Decodes, once, the closed and open icons (bitmaps 133, 134) of the
    // folder of numbered bitmaps.
    bool loadTreeBitmaps(const QString& bitmapFolder);
    // The picture of the picture background mode; the owner gives it, since
    // bitmap 131 is the events list's key-press icon, not a background.
    void setBackgroundPicture(const QPixmap& picture);
    void setBackgroundMode(TreeBackground mode);
    TreeBackground backgroundMode() const { return mode_; }
    // Picture mode: repeat the picture (true) or stretch it over the tree.
    void setTile(bool tile);
    void setGradientColours(QColor start, QColor end);
    // Gradient from left to right (true) or from top to bottom.
    void setHorizontalGradient(bool horizontal);
    // Show the selected row's band also while the tree has no focus (on at first).
    void setShowSelectionAlways(bool on);
    // The colour the item texts are drawn in (white, except on a light gradient).
    QColor textColour() const;

    const TreeModel& model() const { return model_; }

signals:
    // TVN_SELCHANGED: the user selected another item.
    void selectionChanged(TreeItem item);
    // The user opened or closed an item.
    void itemExpanded(TreeItem item, bool expanded);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void paintBackground(QPainter& painter, const QRect& extent) const;
    void layoutRows();
    void syncScrollBar();
    void userChange(TreeChange change, TreeItem expandedItem);

    TreeModel model_;
    TreeBackground mode_ = TreeBackground::Gradient;
    bool tile_ = false;
    QColor gradientStart_;
    QColor gradientEnd_;
    bool horizontal_ = true;
    bool showSelectionAlways_ = true;
    QPixmap picture_;
    QPixmap collapsedIcon_;
    QPixmap expandedIcon_;
    bool syncing_ = false;
};

}  // namespace morvane
