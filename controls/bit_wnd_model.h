// The rules of the small bitmap button: how its strip is cut into frames,
// which frame shows as the pointer comes, goes, presses and releases, the
// latch of a toggle button, and when the button tells its owner it was used.
// CBitWnd draws the frame and forwards the mouse here.
#pragma once

namespace morvane {

// Frames of a strip: 0 normal, 1 pointer over, 2 pressed or latched.
inline constexpr int kFrameNormal = 0;
inline constexpr int kFrameOver = 1;
inline constexpr int kFramePressed = 2;

// A strip is a picture cut into equal frames, laid out across when it is
// wider than high, else downwards. A frame size of 0 takes the whole picture.
struct StripLayout {
    int frameWidth = 0;
    int frameHeight = 0;
    int frameCount = 0;  // 0 for an empty picture
    bool across = true;
    // Top-left corner of frame `index` inside the picture.
    int frameX(int index) const { return across ? index * frameWidth : 0; }
    int frameY(int index) const { return across ? 0 : index * frameHeight; }
};

StripLayout stripLayout(int pictureWidth, int pictureHeight, int frameSize = 0);

class BitButtonModel {
public:
    void setFrameCount(int count);
    int frameCount() const { return frames_; }
    // The frame shown; always one the strip has.
    int frame() const;
    void setFrame(int frame) { frame_ = frame; }

    // Behaviour switches, all off at first.
    bool toggle = false;         // each press flips the latch
    bool notifyOnPress = false;  // tell the owner on the press instead of the release
    bool forwardMouse = false;   // the owner sees the mouse too (the widget passes it on)

    bool latched() const { return latched_; }
    void setLatched(bool latched) { latched_ = latched; }

    void hover();
    void leave();
    // Each returns whether the owner is told now that the button was used.
    bool press();
    // `inside`: the pointer is still over the button. A press that is dragged
    // off the button before its release does not count.
    bool release(bool inside);
    bool pressed() const { return pressed_; }

private:
    int frames_ = 1;
    int frame_ = kFrameNormal;
    bool latched_ = false;
    bool pressed_ = false;
};

}  // namespace morvane
