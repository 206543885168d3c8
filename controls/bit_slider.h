// CBitSlider: a slider whose look is drawn from two track strips and a thumb
// picture. It draws nothing by itself unless asked to (setPaintsItself): the
// owner draws it with paintSlider() from the slider's state, which is how the
// main window composes its settings panel. A move by the user is reported
// with sliderMoved(id), the MSG_SLIDER_MOVED of the control. The rules
// (position <-> thumb place, pointer and keys) live in SliderModel.
#pragma once

#include <functional>

#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include "controls/bit_wnd.h"
#include "controls/slider_model.h"

namespace morvane {

class CBitSlider : public QWidget {
    Q_OBJECT
public:
    explicit CBitSlider(int controlId, QWidget* parent = nullptr);

    int controlId() const { return id_; }

    // --- range and position (TBM_SETRANGE, TBM_SETPOS, WM_USER) ------------------
    void setRange(int minimum, int maximum);
    void setLineSize(int size) { model_.setLineSize(size); }
    void setPageSize(int size) { model_.setPageSize(size); }
    int minimum() const { return model_.minimum(); }
    int maximum() const { return model_.maximum(); }
    // Sets the position, kept in the range; the owner set it, so no
    // sliderMoved follows.
    void setPos(int position);
    int pos() const { return model_.position(); }

    // --- pictures ------------------------------------------------------------------
    // Loads the two track strips (bitmaps 139 and 140) of `bitmapFolder` and
    // gives the slider their size, 220 x 17.
    bool setSliderBitmaps(const QString& bitmapFolder);
    // Makes the thumb once: a hidden CBitWnd holding bitmap 141 of the folder
    // given to setSliderBitmaps, kept over the thumb's place; and the tooltip.
    void createThumb();
    CBitWnd* thumb() const { return thumb_; }
    // The picture drawn as the thumb (the skin's "Thumb.png"); until one is
    // given, bitmap 141.
    void setThumbPicture(const QPixmap& picture);
    const QPixmap& leftTrack() const { return leftTrack_; }
    const QPixmap& rightTrack() const { return rightTrack_; }

    // Where the thumb picture's top-left corner goes, relative to the slider.
    QPoint thumbOffset() const;
    // Draws the slider with its top-left corner at `at`: the left track up to
    // the thumb, the right track from there on, the thumb one pixel lower than
    // its offset. Missing pictures are left out.
    void paintSlider(QPainter& painter, QPoint at) const;
    // Off at first: the owner draws the slider. On: the slider draws itself.
    void setPaintsItself(bool on);

    // The text of the tooltip over the slider, asked of the owner each time
    // the tooltip shows; none without a source or with an empty text.
    void setToolTipSource(std::function<QString(int controlId)> source) { toolTipSource_ = std::move(source); }

    QSize sizeHint() const override { return {kSliderWidth, kSliderHeight}; }
    const SliderModel& model() const { return sized(); }

signals:
    // MSG_SLIDER_MOVED: the user moved the slider (pointer or keys); the
    // owner reads pos() and draws the slider again.
    void sliderMoved(int controlId);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void moved(bool changed);
    // The model, told the slider's current size first: a hidden widget hears
    // of its resizes only once shown.
    SliderModel& sized() const;
    void placeThumb();

    int id_;
    mutable SliderModel model_;
    QString bitmapFolder_;
    QPixmap leftTrack_;
    QPixmap rightTrack_;
    QPixmap thumbPicture_;
    bool ownThumbPicture_ = false;
    QPointer<CBitWnd> thumb_;
    bool paintsItself_ = false;
    std::function<QString(int)> toolTipSource_;
};

}  // namespace morvane
