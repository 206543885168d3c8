#include "controls/slider_model.h"

#include <algorithm>
#include <utility>

namespace morvane {

namespace {

// a / b rounded to the nearest whole number, halves away from zero; b > 0.
long long roundedDivide(long long a, long long b) { return a >= 0 ? (a + b / 2) / b : -((-a + b / 2) / b); }

}  // namespace

void SliderModel::setRange(int minimum, int maximum) {
    if (maximum < minimum) std::swap(minimum, maximum);
    min_ = minimum;
    max_ = maximum;
    pos_ = std::clamp(pos_, min_, max_);
}

bool SliderModel::setPosition(int position) {
    const int old = pos_;
    pos_ = std::clamp(position, min_, max_);
    return pos_ != old;
}

void SliderModel::setSize(int width, int height) {
    width_ = std::max(0, width);
    height_ = std::max(0, height);
}

int SliderModel::channelWidth() const { return std::max(0, width_ - kThumbWidth); }

SliderPoint SliderModel::thumbOffset() const {
    const long long span = static_cast<long long>(max_) - min_;
    const int x = span == 0 ? 0
                            : static_cast<int>(roundedDivide((static_cast<long long>(pos_) - min_) * channelWidth(), span));
    const int y = std::max(0, (height_ - kThumbHeight) / 2);
    return {x, y};
}

int SliderModel::positionAt(int x) const {
    const int cw = channelWidth();
    if (cw == 0) return min_;
    const long long span = static_cast<long long>(max_) - min_;
    const long long along = std::clamp(x - channelLeft(), 0, cw);
    return static_cast<int>(min_ + roundedDivide(along * span, cw));
}

bool SliderModel::press(int x) {
    dragging_ = true;
    return setPosition(positionAt(x));
}

bool SliderModel::drag(int x) { return dragging_ && setPosition(positionAt(x)); }

bool SliderModel::key(SliderKey key) {
    switch (key) {
    // Left and up lower the value, right and down raise it, as on any slider
    // laid across.
    case SliderKey::Left:
    case SliderKey::Up: return setPosition(pos_ - line_);
    case SliderKey::Right:
    case SliderKey::Down: return setPosition(pos_ + line_);
    case SliderKey::PageUp: return setPosition(pos_ - page_);
    case SliderKey::PageDown: return setPosition(pos_ + page_);
    case SliderKey::Home: return setPosition(min_);
    case SliderKey::End: return setPosition(max_);
    }
    return false;
}

}  // namespace morvane
