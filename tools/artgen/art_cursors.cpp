// Pointer pictures. Every pointer texture is 256 x 256 and is drawn at 22 to
// 50 pixels, so a texel is a tenth to a fifth of a screen pixel: outlines are
// 10 to 13 texels wide to stay above one screen pixel. Each symbol sits so
// that the hot spot of its pointer kinds falls on its working point (the
// arrow tip at texel 0, 0; the centre of the cross, the move symbol and the
// rotation symbol; the middle of the magnifier's lens).
#include "art.h"

#include <cmath>
#include <vector>

namespace artgen {

namespace {

constexpr int kCursorSize = 256;
constexpr float kPi = 3.14159265358979f;

Paint symbolPaint(CursorLook look) {
    switch (look) {
    case CursorLook::Over:
        return Paint::vertical(rgb(196, 226, 255), palette::kAccentLight, 0.0f, 256.0f);
    case CursorLook::Pressed:
        return Paint::vertical(palette::kAccent, palette::kAccentDeep, 0.0f, 256.0f);
    case CursorLook::Normal:
        break;
    }
    return Paint::vertical(rgb(255, 255, 255), rgb(232, 233, 238), 0.0f, 256.0f);
}

// Soft drop shadow, dark outline band of `outlineWidth` around the symbol,
// then the symbol itself.
void drawPointerSymbol(Canvas& canvas, const Shape& symbol, CursorLook look, float outlineWidth) {
    Shape outer = grown(symbol, outlineWidth);
    fill(canvas, moved(outer, {6.0f, 8.0f}), Paint::solid(rgb(0, 0, 0, 0.35f)), 14.0f);
    fill(canvas, outer, Paint::solid(palette::kOutline));
    fill(canvas, symbol, symbolPaint(look));
}

// The classic pointer arrow with its tip at (tip, tip), `height` tall.
Shape arrowShape(float tip, float height) {
    const Vec2 unit[] = {{0.0f, 0.0f},   {0.0f, 0.80f},  {0.19f, 0.645f}, {0.335f, 0.955f},
                         {0.465f, 0.9f}, {0.325f, 0.59f}, {0.565f, 0.59f}};
    std::vector<Vec2> points;
    for (const Vec2& p : unit) points.push_back({tip + p.x * height, tip + p.y * height});
    return polygon(points);
}

// Plus-shaped double arrows: arms of `reach` from the centre.
Shape fourWayArrowShape(Vec2 centre, float reach, float bar, float headHalf, float headLength) {
    const Vec2 arm[] = {{-bar, -(reach - headLength)}, {-headHalf, -(reach - headLength)}, {0.0f, -reach},
                        {headHalf, -(reach - headLength)}, {bar, -(reach - headLength)}, {bar, -bar}};
    std::vector<Vec2> points;
    for (int quarter = 0; quarter < 4; ++quarter) {
        for (Vec2 p : arm) {
            for (int turn = 0; turn < quarter; ++turn) p = {-p.y, p.x};  // a quarter turn clockwise
            points.push_back({centre.x + p.x, centre.y + p.y});
        }
    }
    return polygon(points);
}

// Triangle arrow head at the end of an arc point `end` moving along `tangent`.
Shape arrowHead(Vec2 end, Vec2 tangent, Vec2 normal, float length, float halfWidth) {
    Vec2 back{end.x - tangent.x * 8.0f, end.y - tangent.y * 8.0f};
    return polygon({{end.x + tangent.x * length, end.y + tangent.y * length},
                    {back.x + normal.x * halfWidth, back.y + normal.y * halfWidth},
                    {back.x - normal.x * halfWidth, back.y - normal.y * halfWidth}});
}

}  // namespace

Canvas drawArrowCursor(CursorLook look) {
    Canvas canvas(kCursorSize, kCursorSize);
    // The tip sits 9 texels in, so the rounded outline still covers texel
    // 0, 0: the hot spot is on the picture.
    drawPointerSymbol(canvas, arrowShape(9.0f, 226.0f), look, 13.0f);
    return canvas;
}

Canvas drawWaitCursor() {
    Canvas canvas(kCursorSize, kCursorSize);
    const Vec2 c{133.0f, 133.0f};  // hot spot 13, 13 of a 25-pixel pointer
    auto at = [&](float x, float y) { return Vec2{c.x + x, c.y + y}; };
    Shape glass = polygon({at(-62, -88), at(62, -88), at(58, -60), at(14, -9), at(14, 9), at(58, 60), at(62, 88),
                           at(-62, 88), at(-58, 60), at(-14, 9), at(-14, -9), at(-58, -60)});
    Shape caps = unite(roundedRect({c.x - 82, c.y - 110, c.x + 82, c.y - 84}, 9.0f),
                       roundedRect({c.x - 82, c.y + 84, c.x + 82, c.y + 110}, 9.0f));
    drawPointerSymbol(canvas, unite(glass, caps), CursorLook::Normal, 12.0f);
    fill(canvas, caps, Paint::vertical(rgb(150, 152, 162), rgb(104, 106, 116), c.y - 110, c.y + 110));
    Paint sand = Paint::vertical(palette::kWarm, rgb(214, 142, 40), c.y - 60, c.y + 90);
    fill(canvas, polygon({at(-38, -50), at(38, -50), at(9, -14), at(-9, -14)}), sand);
    fill(canvas, capsule(at(0, -12), at(0, 50), 3.5f), sand);
    fill(canvas, polygon({at(-54, 82), at(54, 82), at(42, 62), at(0, 44), at(-42, 62)}), sand);
    return canvas;
}

Canvas drawMovingCursor(CursorLook look) {
    Canvas canvas(kCursorSize, kCursorSize);
    // Hot spot 22, 22 of a 45-pixel pointer.
    drawPointerSymbol(canvas, fourWayArrowShape({125.0f, 125.0f}, 104.0f, 12.0f, 34.0f, 42.0f), look, 10.0f);
    return canvas;
}

Canvas drawCrossCursor(CursorLook look) {
    Canvas canvas(kCursorSize, kCursorSize);
    const Vec2 c{128.0f, 128.0f};  // hot spot in the middle at both drawn sizes
    const float gap = 28.0f;
    const float reach = 106.0f;
    Shape cross = circle(c, 10.0f);
    cross = unite(cross, capsule({c.x, c.y - reach}, {c.x, c.y - gap}, 8.0f));
    cross = unite(cross, capsule({c.x, c.y + gap}, {c.x, c.y + reach}, 8.0f));
    cross = unite(cross, capsule({c.x - reach, c.y}, {c.x - gap, c.y}, 8.0f));
    cross = unite(cross, capsule({c.x + gap, c.y}, {c.x + reach, c.y}, 8.0f));
    drawPointerSymbol(canvas, cross, look, 10.0f);
    return canvas;
}

Canvas drawLoopCursor(CursorLook look) {
    Canvas canvas(kCursorSize, kCursorSize);
    const Vec2 lens{77.0f, 77.0f};  // hot spot 15, 15 of a 50-pixel pointer
    const float radius = 52.0f;
    const float diagonal = std::sqrt(0.5f);
    Vec2 handleStart{lens.x + (radius + 8.0f) * diagonal, lens.y + (radius + 8.0f) * diagonal};
    Vec2 handleEnd{lens.x + 150.0f * diagonal, lens.y + 150.0f * diagonal};
    Shape symbol = ring(lens, radius, 12.0f);
    symbol = unite(symbol, capsule(handleStart, handleEnd, 17.0f));
    symbol = unite(symbol, capsule({lens.x - 22.0f, lens.y}, {lens.x + 22.0f, lens.y}, 6.5f));
    symbol = unite(symbol, capsule({lens.x, lens.y - 22.0f}, {lens.x, lens.y + 22.0f}, 6.5f));
    fill(canvas, circle(lens, radius), Paint::solid(rgb(190, 220, 255, 0.28f)));
    drawPointerSymbol(canvas, symbol, look, 10.0f);
    return canvas;
}

Canvas drawRotationCursor(CursorLook look) {
    Canvas canvas(kCursorSize, kCursorSize);
    const Vec2 c{154.0f, 154.0f};  // hot spot 30, 30 of a 50-pixel pointer
    const float radius = 72.0f;
    const float start = 120.0f * kPi / 180.0f;
    const float sweep = -280.0f * kPi / 180.0f;
    float endAngle = start + sweep;
    Vec2 end{c.x + radius * std::cos(endAngle), c.y + radius * std::sin(endAngle)};
    Vec2 normal{std::cos(endAngle), std::sin(endAngle)};
    Vec2 tangent{std::sin(endAngle), -std::cos(endAngle)};  // direction of travel for a negative sweep
    Shape symbol = arc(c, radius, start, sweep, 13.0f);
    symbol = unite(symbol, arrowHead(end, tangent, normal, 36.0f, 32.0f));
    symbol = unite(symbol, circle(c, 13.0f));
    drawPointerSymbol(canvas, symbol, look, 10.0f);
    return canvas;
}

}  // namespace artgen
