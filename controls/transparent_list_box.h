// CTransparentListBox: a list of text rows drawn straight over whatever lies
// behind it (the owner's skin), with an in-place edit of a row. Which rows may
// be edited and what an edit does depend on the edit mode (ListEditMode):
//   AnyText (0)   the text of any row; a changed text replaces the row.
//   DelayOnly (1) delay rows only, as a number; the owner rebuilds the row.
//   Rename (3)    the text of any row; the owner renames what the row names.
// The owner hears of edits through listEditBegin / listEditEnd (the messages
// MSG_LIST_EDIT_BEGIN / MSG_LIST_EDIT_END). The rules live in ListBoxModel.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QPointer>

#include "controls/edit_helper.h"
#include "controls/list_box_model.h"

namespace morvane {

class CTransparentListBox : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit CTransparentListBox(QWidget* parent = nullptr);

    // --- look ----------------------------------------------------------------------
    // The rows' font (bold, `height` pixels) and colours. Without it the
    // widget's own font is used, in the palette's text colours.
    void setListFont(int height, const QString& face, QColor textColour, QColor selectedColour, bool shadowOn = false,
                     QColor shadowColour = Qt::black, int shadowOffset = 3);
    // The folder of the numbered bitmaps; the row icons of a delay-only list
    // (131 press, 138 release, 137 delay) are decoded from it once, here.
    void setBitmapFolder(const QString& bitmapFolder);
    // Every row is as high as the text "XYZ" in the list's font.
    int rowHeight() const;

    // --- rows ------------------------------------------------------------------------
    // Sorted lists put added and renamed rows in their place, ignoring case.
    void setSorted(bool sorted);
    bool isSorted() const { return model_.sorted(); }
    int addRow(const QString& text, qintptr data = 0);
    int insertRow(int index, const QString& text, qintptr data = 0);
    // Removing or clearing rows closes an open edit without committing it.
    void removeRow(int index);
    void clear();
    int count() const { return model_.count(); }
    QString rowText(int index) const;
    qintptr rowData(int index) const { return model_.data(index); }
    void setRowData(int index, qintptr data) { model_.setData(index, data); }
    int findRow(const QString& text) const;

    // The selected row, -1 for none. Setting it does not emit selectionChanged.
    int currentRow() const { return model_.selected(); }
    void setCurrentRow(int index);
    // The row at a point of the list (its own coordinates), -1 for none.
    int rowAt(QPoint point) const;
    QRect rowRect(int index) const;  // in the list's own coordinates

    // --- in-place edit -------------------------------------------------------------------
    void setEditMode(ListEditMode mode);
    ListEditMode editMode() const { return model_.editMode(); }
    // Longest text an edit accepts, in UTF-16 units (255 at most by default).
    void setMaxEditLength(int units);
    // Opens the edit on `index` as a double-click does; false when that row
    // cannot be edited now.
    bool beginEdit(int index);
    // Closes an open edit, committing it or not.
    void endEdit(bool commit);
    bool isEditing() const { return editor_ != nullptr; }
    CEditHelper* editor() const { return editor_; }
    int editingRow() const { return model_.editingRow(); }

    const ListBoxModel& model() const { return model_; }

signals:
    // The user selected another row (click or keys): LBN_SELCHANGE.
    void selectionChanged(int row);
    // MSG_LIST_EDIT_BEGIN: an edit opens.
    void listEditBegin();
    // MSG_LIST_EDIT_END, after the edit has closed:
    //   DelayOnly: (row, delay in ms 2..60000) on every commit with a number;
    //   AnyText, Rename: (row edited, the row's new index) when the text
    //   changed; the row is already replaced and selected.
    void listEditEnd(int first, int second);
    // The context menu was asked for (right click, menu key), at a point of
    // the screen. A right click has selected the row under the pointer first
    // (selectionChanged); the menu key leaves the selection as it was.
    void contextMenuRequested(QPoint globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void openEditor(const std::string& text);
    void drawRow(QPainter& painter, int index, const QRect& rect) const;
    const QFont& rowFont() const;
    void layoutRows();
    void syncScrollBar();
    void placeEditor();
    void selectByUser(bool changed);

    ListBoxModel model_;
    QFont font_;
    bool hasFont_ = false;
    QColor text_;
    QColor selectedText_;
    bool shadow_ = false;
    QColor shadowColour_ = Qt::black;
    int shadowOffset_ = 3;
    QPixmap pressIcon_;
    QPixmap releaseIcon_;
    QPixmap delayIcon_;
    QPointer<CEditHelper> editor_;
    bool syncing_ = false;
};

}  // namespace morvane
