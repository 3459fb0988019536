// Widget faces, bars, panels, backgrounds and the small 2D markers.
// Widget pictures are stretched to their widget's rectangle, so borders are
// kept thin and horizontal features uniform where the stretch is large.
#include "art.h"

#include <algorithm>
#include <cmath>

namespace artgen {

namespace {

struct FaceColours {
    Rgba top;
    Rgba bottom;
    Rgba border;
};

FaceColours faceColours(WidgetState state) {
    switch (state) {
    case WidgetState::Over:
        return {rgb(110, 114, 130), rgb(80, 84, 99), palette::kAccent};
    case WidgetState::Pressed:
        return {rgb(42, 44, 52), rgb(58, 60, 70), palette::kAccentDeep};
    case WidgetState::Checked:
        return {rgb(96, 164, 222), rgb(50, 110, 176), palette::kAccentLight};
    case WidgetState::Disabled:
        return {rgb(72, 72, 78), rgb(62, 62, 68), rgb(92, 92, 98)};
    case WidgetState::Active:
        break;
    }
    return {rgb(88, 89, 100), rgb(64, 65, 74), rgb(120, 122, 136)};
}

// Band of `width` just inside the outline of `shape`.
Shape innerBand(const Shape& shape, float width) { return outline(grown(shape, -width * 0.5f), width * 0.5f); }

// Multiplies the opacity of columns near the left and right edges so that
// a horizontal line fades out over `ramp` pixels at both ends.
void fadeHorizontalEnds(Canvas& canvas, float ramp) {
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            float centre = static_cast<float>(x) + 0.5f;
            float edge = std::min(centre, static_cast<float>(canvas.width()) - centre);
            float factor = std::clamp(edge / ramp, 0.0f, 1.0f);
            float* p = canvas.premultiplied(x, y);
            for (int c = 0; c < 4; ++c) p[c] *= factor;
        }
    }
}

Shape fullRect(int width, int height, float inset, float radius) {
    return roundedRect({inset, inset, static_cast<float>(width) - inset, static_cast<float>(height) - inset}, radius);
}

// A dark translucent round badge with a light rim, behind marker icons.
void drawBadge(Canvas& canvas, float size) {
    Vec2 c{size * 0.5f, size * 0.5f};
    fill(canvas, circle(c, size * 0.47f), Paint::solid(rgb(26, 26, 32, 0.88f)));
    fill(canvas, ring(c, size * 0.47f - 0.6f, 0.6f), Paint::solid(rgb(255, 255, 255, 0.45f)));
}

}  // namespace

void fadeCanvas(Canvas& canvas, float factor) {
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x)
            for (int c = 0; c < 4; ++c) canvas.premultiplied(x, y)[c] *= factor;
}

Rgba inkFor(WidgetState state) {
    switch (state) {
    case WidgetState::Over:
    case WidgetState::Checked:
        return rgb(255, 255, 255);
    case WidgetState::Pressed:
        return palette::kAccentLight;
    case WidgetState::Disabled:
        return rgb(150, 150, 156);
    case WidgetState::Active:
        break;
    }
    return palette::kInk;
}

void drawButtonFace(Canvas& canvas, Box box, float radius, WidgetState state) {
    FaceColours colours = faceColours(state);
    Shape face = roundedRect(box, radius);
    float size = std::min(box.right - box.left, box.bottom - box.top);
    float border = std::max(1.5f, size / 28.0f);
    if (state != WidgetState::Pressed && state != WidgetState::Disabled)
        fill(canvas, moved(face, {0.0f, border}), Paint::solid(rgb(0, 0, 0, 0.45f)), 1.0f + border * 1.5f);
    fill(canvas, face, Paint::vertical(colours.top, colours.bottom, box.top, box.bottom));
    float middle = (box.top + box.bottom) * 0.5f;
    if (state == WidgetState::Pressed) {
        // Inset: a shadow falling from the top edge.
        fill(canvas, innerBand(face, border * 2.5f),
             Paint::vertical(rgb(0, 0, 0, 0.45f), rgb(0, 0, 0, 0.0f), box.top, middle));
    } else if (state != WidgetState::Disabled) {
        fill(canvas, innerBand(grown(face, -border), border),
             Paint::vertical(rgb(255, 255, 255, 0.22f), rgb(255, 255, 255, 0.0f), box.top, middle));
    }
    fill(canvas, innerBand(face, border), Paint::solid(colours.border));
}

Canvas drawFrameButton(int size, WidgetState state) {
    Canvas canvas(size, size);
    float s = static_cast<float>(size);
    float border = s / 32.0f;
    Shape frame = fullRect(size, size, border, s * 0.1f);
    switch (state) {
    case WidgetState::Over:
        fill(canvas, grown(frame, border * 0.5f), Paint::solid(faded(palette::kAccent, 0.35f)), border * 3.0f);
        fill(canvas, frame, Paint::vertical(rgb(40, 44, 56, 0.55f), rgb(24, 26, 34, 0.65f), 0.0f, s));
        fill(canvas, innerBand(frame, border), Paint::solid(palette::kAccent));
        break;
    case WidgetState::Pressed:
        fill(canvas, frame, Paint::vertical(rgb(196, 224, 252, 0.78f), rgb(150, 198, 244, 0.78f), 0.0f, s));
        fill(canvas, innerBand(frame, border), Paint::solid(palette::kAccentDeep));
        break;
    case WidgetState::Disabled:
        fill(canvas, innerBand(frame, border * 0.75f), Paint::solid(rgb(130, 130, 136, 0.35f)));
        break;
    default:
        fill(canvas, frame, Paint::solid(rgb(0, 0, 0, 0.12f)));
        fill(canvas, innerBand(frame, border * 0.75f), Paint::solid(rgb(160, 162, 176, 0.75f)));
        break;
    }
    return canvas;
}

Canvas drawCaptionFace(int width, int height, WidgetState state) {
    Canvas canvas(width, height);
    float h = static_cast<float>(height);
    // A radio button shows its selection with the pressed picture.
    WidgetState look = state == WidgetState::Pressed ? WidgetState::Checked : state;
    drawButtonFace(canvas, {2.0f, 2.0f, static_cast<float>(width) - 2.0f, h - 3.0f}, h * 0.22f, look);
    if (state == WidgetState::Disabled) fadeCanvas(canvas, 0.55f);
    return canvas;
}

Canvas drawTitleBar(int width, int height) {
    Canvas canvas(width, height);
    float w = static_cast<float>(width);
    float h = static_cast<float>(height);
    fill(canvas, roundedRect({0, 0, w, h}, 0.0f), Paint::vertical(rgb(76, 77, 87), rgb(50, 51, 58), 0.0f, h));
    fill(canvas, roundedRect({0, 0, w, 1.0f}, 0.0f), Paint::solid(rgb(255, 255, 255, 0.14f)));
    fill(canvas, roundedRect({0, h - 1.0f, w, h}, 0.0f), Paint::solid(rgb(18, 18, 22)));
    return canvas;
}

Canvas drawWindowBack(int size) {
    Canvas canvas(size, size);
    float s = static_cast<float>(size);
    Shape panel = fullRect(size, size, 1.0f, s / 20.0f);
    fill(canvas, panel, Paint::vertical(rgb(56, 57, 65, 0.94f), rgb(44, 45, 52, 0.94f), 0.0f, s));
    fill(canvas, innerBand(grown(panel, -1.5f), 1.5f),
         Paint::vertical(rgb(255, 255, 255, 0.10f), rgb(255, 255, 255, 0.0f), 0.0f, s * 0.3f));
    fill(canvas, innerBand(panel, 1.5f), Paint::solid(rgb(104, 106, 120, 0.85f)));
    return canvas;
}

Canvas drawProgressBack(int width, int height) {
    Canvas canvas(width, height);
    float h = static_cast<float>(height);
    Shape groove = fullRect(width, height, 1.0f, h * 0.22f);
    fill(canvas, groove, Paint::vertical(rgb(24, 24, 29, 0.95f), rgb(38, 38, 45, 0.95f), 0.0f, h));
    fill(canvas, innerBand(grown(groove, -1.0f), 2.0f),
         Paint::vertical(rgb(0, 0, 0, 0.5f), rgb(0, 0, 0, 0.0f), 0.0f, h * 0.5f));
    fill(canvas, innerBand(groove, 1.25f), Paint::solid(rgb(100, 102, 116)));
    return canvas;
}

Canvas drawProgressFill(int width, int height) {
    Canvas canvas(width, height);
    float h = static_cast<float>(height);
    Shape bar = fullRect(width, height, 2.5f, h * 0.18f);
    fill(canvas, bar, Paint::vertical(palette::kAccentLight, palette::kAccentDeep, 0.0f, h));
    fill(canvas, subtract(bar, roundedRect({0, h * 0.5f, static_cast<float>(width), h}, 0.0f)),
         Paint::vertical(rgb(255, 255, 255, 0.35f), rgb(255, 255, 255, 0.05f), 0.0f, h * 0.5f));
    return canvas;
}

Canvas drawSliderTrack(int width, int height, bool enabled) {
    Canvas canvas(width, height);
    float w = static_cast<float>(width);
    float h = static_cast<float>(height);
    Box grooveBox{6.0f, h * 0.5f - 4.0f, w - 6.0f, h * 0.5f + 4.0f};
    Shape groove = roundedRect(grooveBox, 4.0f);
    fill(canvas, moved(groove, {0.0f, 1.0f}), Paint::solid(rgb(255, 255, 255, 0.10f)));
    fill(canvas, groove, Paint::vertical(rgb(20, 20, 24), rgb(40, 40, 46), grooveBox.top, grooveBox.bottom));
    fill(canvas, innerBand(groove, 1.2f), Paint::solid(rgb(96, 98, 112)));
    if (!enabled) fadeCanvas(canvas, 0.45f);
    return canvas;
}

Canvas drawSliderKnob(int size, WidgetState state) {
    Canvas canvas(size, size);
    float s = static_cast<float>(size);
    Vec2 c{s * 0.5f, s * 0.5f};
    float radius = s * 0.37f;
    Shape knob = circle(c, radius);
    Rgba top = rgb(240, 240, 246);
    Rgba bottom = rgb(168, 170, 182);
    if (state == WidgetState::Over) {
        fill(canvas, ring(c, radius + s * 0.055f, s * 0.035f), Paint::solid(faded(palette::kAccent, 0.9f)));
        top = rgb(255, 255, 255);
        bottom = rgb(190, 204, 222);
    } else if (state == WidgetState::Pressed) {
        top = palette::kAccentLight;
        bottom = palette::kAccentDeep;
    } else if (state == WidgetState::Disabled) {
        top = rgb(128, 128, 134);
        bottom = rgb(100, 100, 106);
    }
    if (state != WidgetState::Disabled)
        fill(canvas, moved(knob, {0.0f, s * 0.03f}), Paint::solid(rgb(0, 0, 0, 0.5f)), s * 0.06f);
    fill(canvas, knob, Paint::vertical(top, bottom, c.y - radius, c.y + radius));
    fill(canvas, circle(c, radius * 0.32f), Paint::vertical(faded(bottom, 0.9f), faded(top, 0.9f), c.y - radius * 0.3f,
                                                              c.y + radius * 0.3f));
    fill(canvas, ring(c, radius - s * 0.02f, s * 0.022f), Paint::solid(palette::kOutline));
    if (state == WidgetState::Disabled) fadeCanvas(canvas, 0.6f);
    return canvas;
}

Canvas drawMenuPanel(int size) {
    Canvas canvas(size, size);
    float s = static_cast<float>(size);
    Shape panel = fullRect(size, size, 1.0f, s / 32.0f);
    fill(canvas, panel, Paint::vertical(rgb(44, 45, 52, 0.97f), rgb(36, 37, 43, 0.97f), 0.0f, s));
    fill(canvas, innerBand(panel, 1.5f), Paint::solid(rgb(100, 102, 116)));
    return canvas;
}

Canvas drawMenuBarBack(int size) {
    Canvas canvas(size, size);
    float s = static_cast<float>(size);
    fill(canvas, fullRect(size, size, 0.0f, 0.0f), Paint::vertical(rgb(50, 51, 58, 0.98f), rgb(42, 43, 49, 0.98f), 0.0f, s));
    return canvas;
}

Canvas drawMenuHighlight(int size, bool pressed) {
    Canvas canvas(size, size);
    float s = static_cast<float>(size);
    Shape panel = fullRect(size, size, 1.0f, s / 32.0f);
    Rgba top = pressed ? rgb(40, 52, 70, 0.97f) : rgb(52, 58, 72, 0.97f);
    Rgba bottom = pressed ? rgb(34, 44, 60, 0.97f) : rgb(42, 46, 58, 0.97f);
    fill(canvas, panel, Paint::vertical(top, bottom, 0.0f, s));
    fill(canvas, innerBand(panel, 2.0f), Paint::solid(pressed ? palette::kAccentDeep : palette::kAccent));
    return canvas;
}

Canvas drawMenuLine(int width, int height) {
    Canvas canvas(width, height);
    float w = static_cast<float>(width);
    float middle = static_cast<float>(height) * 0.5f;
    fill(canvas, roundedRect({0, middle - 1.0f, w, middle}, 0.0f), Paint::solid(rgb(18, 18, 22, 0.9f)));
    fill(canvas, roundedRect({0, middle, w, middle + 1.0f}, 0.0f), Paint::solid(rgb(120, 122, 136, 0.8f)));
    fadeHorizontalEnds(canvas, w * 0.15f);
    return canvas;
}

Canvas drawHelpBackground(int size, WidgetState state) {
    Canvas canvas(size, size);
    float s = static_cast<float>(size);
    FaceColours colours{rgb(255, 251, 230, 0.97f), rgb(245, 236, 200, 0.97f), rgb(168, 156, 112)};
    if (state == WidgetState::Pressed)
        colours = {rgb(230, 240, 255, 0.97f), rgb(204, 224, 250, 0.97f), palette::kAccentDeep};
    else if (state == WidgetState::Disabled)
        colours = {rgb(238, 238, 241, 0.95f), rgb(220, 220, 226, 0.95f), rgb(150, 150, 158)};
    // The box is stretched about eight times wider than tall, so it keeps
    // square corners and draws its edge lines only at the top and bottom
    // (a side line would smear into a wide blurred band).
    fill(canvas, fullRect(size, size, 0.0f, 0.0f), Paint::vertical(colours.top, colours.bottom, 0.0f, s));
    fill(canvas, roundedRect({0.0f, 0.0f, s, 1.0f}, 0.0f), Paint::solid(faded(colours.border, 0.6f)));
    fill(canvas, roundedRect({0.0f, s - 1.0f, s, s}, 0.0f), Paint::solid(colours.border));
    return canvas;
}

Canvas drawFloorCell(int size) {
    Canvas canvas(size, size);
    float s = static_cast<float>(size);
    // The floor maps this picture onto every cell, mirrored from one cell
    // to the next: half a grid line at each edge joins into a full line.
    fill(canvas, fullRect(size, size, 0.0f, 0.0f), Paint::solid(rgb(255, 255, 255, 0.16f)));
    Shape inner = roundedRect({1.25f, 1.25f, s - 1.25f, s - 1.25f}, 0.0f);
    fill(canvas, subtract(fullRect(size, size, 0.0f, 0.0f), inner), Paint::solid(rgb(255, 255, 255, 0.62f)));
    return canvas;
}

Canvas drawCentreMarker(int size) {
    Canvas canvas(size, size);
    float s = static_cast<float>(size);
    Vec2 c{s * 0.5f, s * 0.5f};
    float u = s / 64.0f;
    Shape symbol = ring(c, 16.0f * u, 3.4f * u);
    symbol = unite(symbol, circle(c, 3.6f * u));
    const float inner = 22.0f * u;
    const float outer = 29.0f * u;
    symbol = unite(symbol, capsule({c.x, c.y - outer}, {c.x, c.y - inner}, 2.6f * u));
    symbol = unite(symbol, capsule({c.x, c.y + inner}, {c.x, c.y + outer}, 2.6f * u));
    symbol = unite(symbol, capsule({c.x - outer, c.y}, {c.x - inner, c.y}, 2.6f * u));
    symbol = unite(symbol, capsule({c.x + inner, c.y}, {c.x + outer, c.y}, 2.6f * u));
    fill(canvas, grown(symbol, 2.4f * u), Paint::solid(faded(palette::kOutline, 0.9f)));
    fill(canvas, symbol, Paint::solid(palette::kWarm));
    return canvas;
}

Canvas drawSculptureMarker(int size) {
    Canvas canvas(size, size);
    float s = static_cast<float>(size);
    drawBadge(canvas, s);
    float u = s / 24.0f;
    auto at = [u](float x, float y) { return Vec2{x * u, y * u}; };
    fill(canvas, polygon({at(12, 5), at(18.3f, 8.6f), at(12, 12.2f), at(5.7f, 8.6f)}), Paint::solid(palette::kAccentLight));
    fill(canvas, polygon({at(5.7f, 8.6f), at(12, 12.2f), at(12, 19.4f), at(5.7f, 15.8f)}), Paint::solid(palette::kAccent));
    fill(canvas, polygon({at(12, 12.2f), at(18.3f, 8.6f), at(18.3f, 15.8f), at(12, 19.4f)}),
         Paint::solid(palette::kAccentDeep));
    return canvas;
}

Canvas drawTextureMarker(int size) {
    Canvas canvas(size, size);
    float s = static_cast<float>(size);
    drawBadge(canvas, s);
    float u = s / 24.0f;
    const float left = 6.5f * u;
    const float cell = 5.5f * u;
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 2; ++column) {
            Box box{left + column * cell, left + row * cell, left + (column + 1) * cell, left + (row + 1) * cell};
            Rgba colour = (row + column) % 2 == 0 ? palette::kWarm : rgb(236, 236, 242);
            fill(canvas, roundedRect(box, 0.0f), Paint::solid(colour));
        }
    }
    return canvas;
}

}  // namespace artgen
