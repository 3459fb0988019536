// Icon buttons: window buttons, gesture-key hints, reference-point buttons,
// the two mode rubrics and check boxes. Icons are line art drawn on a
// 64-unit grid and scaled to the picture size.
#include "art.h"

#include <cmath>
#include <vector>

namespace artgen {

namespace {

constexpr float kPi = 3.14159265358979f;

// Maps the 64-unit icon grid onto a picture of `size` pixels.
struct Grid {
    float unit;
    Vec2 at(float x, float y) const { return {x * unit, y * unit}; }
    float len(float v) const { return v * unit; }
};

Grid gridFor(int size) { return {static_cast<float>(size) / 64.0f}; }

Shape polyline(const Grid& g, const std::vector<Vec2>& points, float halfWidth) {
    Shape line = capsule(g.at(points[0].x, points[0].y), g.at(points[1].x, points[1].y), g.len(halfWidth));
    for (size_t i = 2; i < points.size(); ++i)
        line = unite(line, capsule(g.at(points[i - 1].x, points[i - 1].y), g.at(points[i].x, points[i].y),
                                   g.len(halfWidth)));
    return line;
}

Shape triangle(const Grid& g, Vec2 a, Vec2 b, Vec2 c) {
    return polygon({g.at(a.x, a.y), g.at(b.x, b.y), g.at(c.x, c.y)});
}

// The square button face every icon button shares.
void drawIconFace(Canvas& canvas, const Grid& g, WidgetState state) {
    drawButtonFace(canvas, {g.len(4), g.len(4), g.len(60), g.len(60)}, g.len(10), state);
}

// Colour of the point a reference-point button sets.
Rgba pointColour(WidgetState state) {
    return state == WidgetState::Disabled ? rgb(150, 150, 156) : palette::kWarm;
}

// A circular arrow around `c` (grid units) ending in a head.
Shape circularArrow(const Grid& g, Vec2 c, float radius, float halfWidth, float head) {
    const float start = 120.0f * kPi / 180.0f;
    const float sweep = -280.0f * kPi / 180.0f;
    float e = start + sweep;
    Vec2 end{c.x + radius * std::cos(e), c.y + radius * std::sin(e)};
    Vec2 n{std::cos(e), std::sin(e)};
    Vec2 t{std::sin(e), -std::cos(e)};
    Shape shape = arc(g.at(c.x, c.y), g.len(radius), start, sweep, g.len(halfWidth));
    Vec2 back{end.x - t.x * 2.0f, end.y - t.y * 2.0f};
    return unite(shape, triangle(g, {end.x + t.x * head, end.y + t.y * head},
                                 {back.x + n.x * head * 0.85f, back.y + n.y * head * 0.85f},
                                 {back.x - n.x * head * 0.85f, back.y - n.y * head * 0.85f}));
}

Shape letterShape(const Grid& g, char letter) {
    const float w = 2.9f;
    switch (letter) {
    case 'Q':
        return unite(ring(g.at(32, 28), g.len(10.5f), g.len(w)), capsule(g.at(35, 32), g.at(43, 41), g.len(w)));
    case 'W':
        return polyline(g, {{19, 18}, {25, 40}, {32, 26}, {39, 40}, {45, 18}}, w);
    default:  // 'E'
        return unite(polyline(g, {{40, 17}, {24, 17}, {24, 40}, {40, 40}}, w),
                     capsule(g.at(24, 28.5f), g.at(37, 28.5f), g.len(w)));
    }
}

Shape titleIconShape(const Grid& g, TitleIcon icon) {
    switch (icon) {
    case TitleIcon::Resize:
        return unite(unite(capsule(g.at(22, 42), g.at(42, 22), g.len(2.6f)), triangle(g, {46, 18}, {46, 31}, {33, 18})),
                     triangle(g, {18, 46}, {18, 33}, {31, 46}));
    case TitleIcon::Minimize:
        return capsule(g.at(20, 43), g.at(44, 43), g.len(3.0f));
    case TitleIcon::Maximize:
        return unite(outline(roundedRect({g.len(19), g.len(19), g.len(45), g.len(45)}, g.len(2)), g.len(2.0f)),
                     roundedRect({g.len(18), g.len(18), g.len(46), g.len(25)}, g.len(2)));
    case TitleIcon::Close:
        break;
    }
    return unite(capsule(g.at(22, 22), g.at(42, 42), g.len(3.2f)), capsule(g.at(42, 22), g.at(22, 42), g.len(3.2f)));
}

// The line art of a reference-point button (without its point).
Shape pointIconLines(const Grid& g, PointIcon icon) {
    switch (icon) {
    case PointIcon::Translation: {
        Shape s = capsule(g.at(32, 14), g.at(32, 50), g.len(2.2f));
        s = unite(s, capsule(g.at(14, 32), g.at(50, 32), g.len(2.2f)));
        s = unite(s, triangle(g, {32, 10}, {26, 18}, {38, 18}));
        s = unite(s, triangle(g, {32, 54}, {26, 46}, {38, 46}));
        s = unite(s, triangle(g, {10, 32}, {18, 26}, {18, 38}));
        return unite(s, triangle(g, {54, 32}, {46, 26}, {46, 38}));
    }
    case PointIcon::Scaling: {
        Shape s = polyline(g, {{16, 25}, {16, 16}, {25, 16}}, 2.2f);
        s = unite(s, polyline(g, {{39, 16}, {48, 16}, {48, 25}}, 2.2f));
        s = unite(s, polyline(g, {{48, 39}, {48, 48}, {39, 48}}, 2.2f));
        return unite(s, polyline(g, {{25, 48}, {16, 48}, {16, 39}}, 2.2f));
    }
    case PointIcon::Rotation:
        return circularArrow(g, {32, 32}, 15.0f, 2.3f, 7.0f);
    case PointIcon::Snap: {
        Shape s = capsule(g.at(13, 45), g.at(51, 45), g.len(2.3f));
        s = unite(s, capsule(g.at(32, 13), g.at(32, 28), g.len(2.2f)));
        return unite(s, triangle(g, {32, 36}, {25.5f, 27}, {38.5f, 27}));
    }
    case PointIcon::FovOrigin:
    case PointIcon::FovCentre:
        break;
    }
    Shape s = capsule(g.at(15, 32), g.at(47, 16), g.len(2.2f));
    s = unite(s, capsule(g.at(15, 32), g.at(47, 48), g.len(2.2f)));
    float reach = std::sqrt(32.0f * 32.0f + 16.0f * 16.0f);
    float half = std::atan2(16.0f, 32.0f);
    return unite(s, arc(g.at(15, 32), g.len(reach), -half, 2.0f * half, g.len(2.2f)));
}

Vec2 pointPosition(PointIcon icon) {
    switch (icon) {
    case PointIcon::Snap:
        return {32, 45};
    case PointIcon::FovOrigin:
        return {15, 32};
    case PointIcon::FovCentre:
        return {50.8f, 32};
    default:
        return {32, 32};
    }
}

}  // namespace

Canvas drawTitleButton(int size, TitleIcon icon, WidgetState state) {
    Canvas canvas(size, size);
    Grid g = gridFor(size);
    drawIconFace(canvas, g, state);
    Rgba ink = inkFor(state);
    if (icon == TitleIcon::Close && (state == WidgetState::Over || state == WidgetState::Pressed)) {
        // Closing is the one destructive window button: it turns red.
        Rgba top = state == WidgetState::Over ? rgb(226, 88, 80) : rgb(150, 44, 40);
        Rgba bottom = state == WidgetState::Over ? rgb(184, 52, 46) : rgb(170, 56, 50);
        fill(canvas, roundedRect({g.len(5.5f), g.len(5.5f), g.len(58.5f), g.len(58.5f)}, g.len(9)),
             Paint::vertical(top, bottom, g.len(4), g.len(60)));
        ink = state == WidgetState::Over ? rgb(255, 255, 255) : rgb(250, 214, 210);
    }
    fill(canvas, titleIconShape(g, icon), Paint::solid(ink));
    if (state == WidgetState::Disabled) fadeCanvas(canvas, 0.55f);
    return canvas;
}

Canvas drawKeyHint(int size, char letter, WidgetState state) {
    Canvas canvas(size, size);
    Grid g = gridFor(size);
    bool pressed = state == WidgetState::Pressed;
    // The key's body, then its top face, pushed down while the key is held.
    Shape body = roundedRect({g.len(6), g.len(7), g.len(58), g.len(59)}, g.len(10));
    fill(canvas, moved(body, {0, g.len(1.5f)}), Paint::solid(rgb(0, 0, 0, 0.45f)), g.len(3));
    fill(canvas, body, Paint::vertical(rgb(44, 44, 52), rgb(30, 30, 36), g.len(7), g.len(59)));
    fill(canvas, outline(grown(body, -g.len(0.75f)), g.len(0.75f)), Paint::solid(palette::kOutline));
    float drop = pressed ? 4.0f : 0.0f;
    Box topBox{g.len(10), g.len(9 + drop), g.len(54), g.len(49 + drop)};
    Shape top = roundedRect(topBox, g.len(8));
    Rgba upper = rgb(100, 101, 114);
    Rgba lower = rgb(78, 79, 90);
    if (state == WidgetState::Over) {
        upper = rgb(118, 122, 140);
        lower = rgb(92, 96, 112);
    } else if (pressed) {
        upper = palette::kAccent;
        lower = palette::kAccentDeep;
    }
    fill(canvas, top, Paint::vertical(upper, lower, topBox.top, topBox.bottom));
    if (state == WidgetState::Over)
        fill(canvas, outline(grown(top, -g.len(0.8f)), g.len(0.8f)), Paint::solid(palette::kAccent));
    fill(canvas, moved(letterShape(g, letter), {0, g.len(drop)}),
         Paint::solid(pressed ? rgb(255, 255, 255) : inkFor(state)));
    if (state == WidgetState::Disabled) fadeCanvas(canvas, 0.5f);
    return canvas;
}

Canvas drawPointButton(int size, PointIcon icon, WidgetState state) {
    Canvas canvas(size, size);
    Grid g = gridFor(size);
    drawIconFace(canvas, g, state);
    fill(canvas, pointIconLines(g, icon), Paint::solid(inkFor(state)));
    Vec2 point = pointPosition(icon);
    Shape dot = circle(g.at(point.x, point.y), g.len(5.0f));
    fill(canvas, grown(dot, g.len(1.6f)), Paint::solid(faded(palette::kOutline, 0.85f)));
    fill(canvas, dot, Paint::solid(pointColour(state)));
    if (state == WidgetState::Disabled) fadeCanvas(canvas, 0.55f);
    return canvas;
}

Canvas drawPictureRubric(int size, WidgetState state) {
    Canvas canvas(size, size);
    Grid g = gridFor(size);
    drawButtonFace(canvas, {g.len(3), g.len(3), g.len(61), g.len(61)}, g.len(12), state);
    Rgba ink = inkFor(state);
    fill(canvas, outline(roundedRect({g.len(14), g.len(17), g.len(50), g.len(47)}, g.len(3.5f)), g.len(2.4f)),
         Paint::solid(ink));
    fill(canvas, polygon({g.at(17.5f, 44), g.at(27, 30), g.at(33.5f, 38.5f), g.at(38.5f, 33), g.at(46.5f, 44)}),
         Paint::solid(faded(ink, 0.9f)));
    fill(canvas, circle(g.at(40, 25), g.len(3.8f)), Paint::solid(state == WidgetState::Checked ? ink : palette::kWarm));
    return canvas;
}

Canvas drawCubeRubric(int size, WidgetState state) {
    Canvas canvas(size, size);
    Grid g = gridFor(size);
    drawButtonFace(canvas, {g.len(3), g.len(3), g.len(61), g.len(61)}, g.len(12), state);
    Rgba ink = inkFor(state);
    const Vec2 top[] = {{32, 14}, {48, 23}, {32, 32}, {16, 23}};
    const Vec2 left[] = {{16, 23}, {32, 32}, {32, 51}, {16, 42}};
    const Vec2 right[] = {{32, 32}, {48, 23}, {48, 42}, {32, 51}};
    auto face = [&](const Vec2* p) { return polygon({g.at(p[0].x, p[0].y), g.at(p[1].x, p[1].y), g.at(p[2].x, p[2].y),
                                                     g.at(p[3].x, p[3].y)}); };
    fill(canvas, face(top), Paint::solid(faded(ink, 0.85f)));
    fill(canvas, face(left), Paint::solid(faded(ink, 0.5f)));
    fill(canvas, face(right), Paint::solid(faded(ink, 0.25f)));
    Shape edges = polyline(g, {{32, 14}, {48, 23}, {48, 42}, {32, 51}, {16, 42}, {16, 23}, {32, 14}}, 2.0f);
    edges = unite(edges, polyline(g, {{16, 23}, {32, 32}, {48, 23}}, 2.0f));
    edges = unite(edges, capsule(g.at(32, 32), g.at(32, 51), g.len(2.0f)));
    fill(canvas, edges, Paint::solid(ink));
    return canvas;
}

Canvas drawCheckbox(int size, WidgetState state) {
    Canvas canvas(size, size);
    float u = static_cast<float>(size) / 32.0f;
    Box box{4 * u, 4 * u, 28 * u, 28 * u};
    Shape square = roundedRect(box, 5 * u);
    Rgba border = rgb(146, 148, 162);
    Rgba top = rgb(32, 32, 38);
    Rgba bottom = rgb(44, 44, 52);
    switch (state) {
    case WidgetState::Over:
        border = palette::kAccent;
        top = rgb(44, 46, 56);
        bottom = rgb(56, 60, 72);
        break;
    case WidgetState::Pressed:
        border = palette::kAccentDeep;
        top = rgb(22, 22, 28);
        bottom = rgb(34, 36, 44);
        break;
    case WidgetState::Checked:
        border = palette::kAccentLight;
        top = palette::kAccent;
        bottom = palette::kAccentDeep;
        break;
    case WidgetState::Disabled:
        border = rgb(100, 100, 106);
        break;
    case WidgetState::Active:
        break;
    }
    fill(canvas, square, Paint::vertical(top, bottom, box.top, box.bottom));
    fill(canvas, outline(grown(square, -u), u), Paint::solid(border));
    if (state == WidgetState::Checked) {
        Shape tick = unite(capsule({9.5f * u, 16.5f * u}, {14 * u, 21 * u}, 2.4f * u),
                           capsule({14 * u, 21 * u}, {22.5f * u, 11 * u}, 2.4f * u));
        fill(canvas, tick, Paint::solid(rgb(255, 255, 255)));
    }
    if (state == WidgetState::Disabled) fadeCanvas(canvas, 0.5f);
    return canvas;
}

Canvas drawMenuCheckMark(int size) {
    Canvas canvas(size, size);
    float u = static_cast<float>(size) / 32.0f;
    Shape tick = unite(capsule({7 * u, 17 * u}, {13 * u, 23 * u}, 2.8f * u), capsule({13 * u, 23 * u}, {25 * u, 9 * u}, 2.8f * u));
    fill(canvas, grown(tick, 1.2f * u), Paint::solid(faded(palette::kOutline, 0.8f)));
    fill(canvas, tick, Paint::solid(palette::kAccentLight));
    return canvas;
}

}  // namespace artgen
