#include "controls/bit_wnd_model.h"

#include <algorithm>

namespace morvane {

StripLayout stripLayout(int pictureWidth, int pictureHeight, int frameSize) {
    StripLayout s;
    if (pictureWidth <= 0 || pictureHeight <= 0) return s;
    s.across = pictureWidth > pictureHeight;
    const int length = s.across ? pictureWidth : pictureHeight;
    const int size = frameSize > 0 && frameSize <= length ? frameSize : length;
    s.frameWidth = s.across ? size : pictureWidth;
    s.frameHeight = s.across ? pictureHeight : size;
    s.frameCount = length / size;
    return s;
}

void BitButtonModel::setFrameCount(int count) { frames_ = std::max(1, count); }

int BitButtonModel::frame() const { return std::clamp(frame_, 0, frames_ - 1); }

void BitButtonModel::hover() { frame_ = latched_ ? kFramePressed : (frames_ > 1 ? kFrameOver : kFrameNormal); }

void BitButtonModel::leave() {
    frame_ = latched_ && frames_ > 1 ? kFramePressed : kFrameNormal;
}

bool BitButtonModel::press() {
    frame_ = !latched_ && frames_ > 2 ? kFramePressed : kFrameNormal;
    if (toggle) latched_ = !latched_;
    pressed_ = true;
    return notifyOnPress;
}

bool BitButtonModel::release(bool inside) {
    const bool wasPressed = pressed_;
    pressed_ = false;
    if (!latched_) frame_ = inside && frames_ > 1 ? kFrameOver : kFrameNormal;
    return wasPressed && inside && !notifyOnPress;
}

}  // namespace morvane
