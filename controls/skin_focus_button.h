// SkinFocusButton: the keyboard's and the screen reader's way to a button that
// the skin paints. It lies over the painted button, lets the pointer through
// to the window below (which hit-tests its own pictures), takes the focus by
// Tab, marks it with a frame, and reports Space and Enter (on their release)
// as a click. Its text
// is the button's accessible name; it draws no text itself.
#pragma once

#include <QAbstractButton>
#include <QRect>
#include <QString>
#include <functional>
#include <vector>

namespace morvane {

class SkinFocusButton : public QAbstractButton {
    Q_OBJECT
public:
    SkinFocusButton(const QString& name, QRect area, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    bool enterDown_ = false;  // Enter went down here; its release clicks
};

// One painted button: its place, its accessible name, what activating it does.
struct SkinButtonPlace {
    QRect area;
    QString name;
    std::function<void()> activate;
};

// Lays the focus buttons over `parent` in the given order, which becomes
// their Tab order; returns them in the same order.
std::vector<SkinFocusButton*> addSkinFocusButtons(QWidget* parent, const std::vector<SkinButtonPlace>& buttons);

// Gives a widget the frame that shows it has the keyboard focus, drawn by an
// overlay so the widget's own painting is left alone. The frame follows the
// widget's geometry and visibility.
void markFocus(QWidget* widget);

}  // namespace morvane
