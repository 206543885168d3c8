// CBitWnd: a small button drawn from a bitmap strip (normal, pointer over,
// pressed or latched). It tells its owner of a click with clicked(id), the
// WM_COMMAND of the control; the rules live in BitButtonModel.
#pragma once

#include <QPixmap>
#include <QWidget>

#include "controls/bit_wnd_model.h"

namespace morvane {

class CBitWnd : public QWidget {
    Q_OBJECT
public:
    explicit CBitWnd(int controlId = 0, QWidget* parent = nullptr);

    int controlId() const { return id_; }

    // The strip and the size of one frame along it (0: the whole picture). The
    // button takes the size of one frame. A null picture leaves it undrawn.
    void setStrip(const QPixmap& strip, int frameSize = 0);
    // The strip from the picture `fileName` of `folder`, decoded once here.
    bool loadStrip(const QString& folder, const QString& fileName, int frameSize = 0);
    const StripLayout& stripLayout() const { return layout_; }

    int frame() const { return model_.frame(); }
    void setFrame(int frame);
    bool isLatched() const { return model_.latched(); }
    void setLatched(bool latched);

    // Behaviour switches, all off at first: `toggle` latches on every other
    // press; `notifyOnPress` tells the owner on the press instead of the
    // release; `forwardMouse` lets the parent see the pointer's moves, presses
    // and releases too (in its own coordinates).
    void setToggle(bool on) { model_.toggle = on; }
    void setNotifyOnPress(bool on) { model_.notifyOnPress = on; }
    void setForwardMouse(bool on) { model_.forwardMouse = on; }

    QSize sizeHint() const override;

signals:
    // WM_COMMAND with the control's id: a click on the button.
    void clicked(int controlId);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void forward(QMouseEvent* event);

    int id_;
    QPixmap strip_;
    StripLayout layout_;
    BitButtonModel model_;
};

}  // namespace morvane
