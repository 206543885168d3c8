// What a window paints, in order, without pixels: the models compose their
// windows into a DrawList and the widget executes it, so every position, name
// and text of the skin is decided (and tested) outside the view.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace morvane {

struct Colour {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Colour&, const Colour&) = default;
};

inline constexpr Colour kWhite{255, 255, 255};

// A picture of the picture folder ("main.png", "Config/..."), drawn opaquely at
// its natural size with its top-left corner at (x, y). A picture that cannot be
// loaded is skipped by the view.
struct DrawPicture {
    std::string file;
    int x = 0, y = 0;
    friend bool operator==(const DrawPicture&, const DrawPicture&) = default;
};

// The rectangle (sourceX, sourceY, width, height) of a picture copied to (x, y).
struct DrawPicturePart {
    std::string file;
    int sourceX = 0, sourceY = 0, width = 0, height = 0;
    int x = 0, y = 0;
    friend bool operator==(const DrawPicturePart&, const DrawPicturePart&) = default;
};

struct DrawFill {
    int x = 0, y = 0, width = 0, height = 0;
    Colour colour;
    friend bool operator==(const DrawFill&, const DrawFill&) = default;
};

// UTF-8 text in Arial on a transparent background, its cell's top-left corner
// at (x, y); `height` is the font's cell height in pixels.
struct DrawText {
    std::string text;
    int x = 0, y = 0;
    int height = 0;
    int weight = 400;  // 100..900, 400 normal
    Colour colour = kWhite;
    int centredIn = 0;  // > 0: centred in a box this wide from x, else from x on
    friend bool operator==(const DrawText&, const DrawText&) = default;
};

// Where one of the main window's sliders stands and which position it shows.
// The sliders are child controls over the picture: the view moves, shows or
// hides them and sets their position (without reporting a move back).
inline constexpr int kSpeedSlider = 1007;
inline constexpr int kReportRateSlider = 1010;
inline constexpr int kBrightnessSlider = 1017;

struct PlaceSlider {
    int id = 0;
    int x = 0, y = 0;
    bool shown = false;
    int position = 0;  // already within the slider's range
    friend bool operator==(const PlaceSlider&, const PlaceSlider&) = default;
};

using DrawOp = std::variant<DrawPicture, DrawPicturePart, DrawFill, DrawText, PlaceSlider>;

class DrawList {
public:
    void picture(std::string file, int x, int y) { ops_.emplace_back(DrawPicture{std::move(file), x, y}); }
    void picturePart(std::string file, int sourceX, int sourceY, int width, int height, int x, int y) {
        ops_.emplace_back(DrawPicturePart{std::move(file), sourceX, sourceY, width, height, x, y});
    }
    void fill(int x, int y, int width, int height, Colour colour) { ops_.emplace_back(DrawFill{x, y, width, height, colour}); }
    void text(std::string text, int x, int y, int height, int weight = 400, Colour colour = kWhite) {
        ops_.emplace_back(DrawText{std::move(text), x, y, height, weight, colour});
    }
    // Centred in the box [x, x + width).
    void centredText(std::string text, int x, int width, int y, int height, int weight, Colour colour) {
        ops_.emplace_back(DrawText{std::move(text), x, y, height, weight, colour, width});
    }
    void slider(const PlaceSlider& placement) { ops_.emplace_back(placement); }

    // Drops the texts so far that start inside the box: a list opened over
    // them hides them, and their ends would poke out at its edge.
    void dropTextsStartingIn(int left, int top, int right, int bottom) {
        std::erase_if(ops_, [&](const DrawOp& op) {
            const auto* t = std::get_if<DrawText>(&op);
            return t && t->x >= left && t->x < right && t->y >= top && t->y < bottom;
        });
    }

    const std::vector<DrawOp>& ops() const { return ops_; }
    std::size_t size() const { return ops_.size(); }
    bool empty() const { return ops_.empty(); }
    void clear() { ops_.clear(); }

private:
    std::vector<DrawOp> ops_;
};

}  // namespace morvane
