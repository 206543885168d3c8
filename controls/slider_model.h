// The rules of the bitmap slider: its range and position, where the thumb
// sits for a position, and which position a pointer or a key gives. The owner
// draws the slider from thumbOffset(); CBitSlider forwards input here.
#pragma once

namespace morvane {

// The slider's own size once its track strips are loaded (bitmaps 139 and
// 140), and the thumb picture the owner draws ("Thumb.png", bitmap 141).
inline constexpr int kSliderWidth = 220;
inline constexpr int kSliderHeight = 17;
inline constexpr int kThumbWidth = 15;
inline constexpr int kThumbHeight = 14;

enum class SliderKey { Left, Right, Up, Down, PageUp, PageDown, Home, End };

struct SliderPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const SliderPoint&, const SliderPoint&) = default;
};

class SliderModel {
public:
    // --- range and position ------------------------------------------------------
    // A range given upside down is taken the right way round. The position is
    // kept inside the range.
    void setRange(int minimum, int maximum);
    int minimum() const { return min_; }
    int maximum() const { return max_; }
    void setLineSize(int size) { line_ = size < 1 ? 1 : size; }
    void setPageSize(int size) { page_ = size < 1 ? 1 : size; }
    int lineSize() const { return line_; }
    int pageSize() const { return page_; }
    // Returns whether the position changed.
    bool setPosition(int position);
    int position() const { return pos_; }

    // --- geometry ------------------------------------------------------------------
    void setSize(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }
    // The thumb's centre runs along the channel, from channelLeft() for the
    // minimum to channelLeft() + channelWidth() for the maximum, so the thumb
    // never leaves the slider.
    int channelLeft() const { return kThumbWidth / 2; }
    int channelWidth() const;
    // Where the owner draws the thumb picture's top-left corner, relative to
    // the slider: x from 0 (minimum) to width - thumb width (maximum), the
    // thumb centred across the slider.
    SliderPoint thumbOffset() const;
    // The position under a pointer at x: the nearest step, inside the range.
    int positionAt(int x) const;

    // --- input ---------------------------------------------------------------------
    // A left press puts the thumb under the pointer; dragging keeps it there
    // until the release. Each returns whether the position changed.
    bool press(int x);
    bool drag(int x);
    void release() { dragging_ = false; }
    bool dragging() const { return dragging_; }
    bool key(SliderKey key);

private:
    int min_ = 0;
    int max_ = 100;
    int pos_ = 0;
    int line_ = 1;
    int page_ = 1;
    int width_ = kSliderWidth;
    int height_ = kSliderHeight;
    bool dragging_ = false;
};

}  // namespace morvane
