#include "contact_sheet.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>

namespace artgen {

namespace {

constexpr int kSheetWidth = 1680;
constexpr int kCell = 136;
constexpr int kGap = 12;
constexpr Rgba kSheetBackground = rgb(60, 60, 66);

struct Placed {
    Canvas canvas;
    std::string label;
};

// Lays pictures out left to right in rows, wrapping at the sheet width.
class RowLayout {
public:
    explicit RowLayout(int top) : x_(kGap), y_(top) {}

    // Top left corner for a picture of the given size.
    Vec2 place(int width, int height) {
        if (x_ + width + kGap > kSheetWidth) newRow();
        Vec2 at{static_cast<float>(x_), static_cast<float>(y_)};
        x_ += width + kGap;
        rowHeight_ = std::max(rowHeight_, height);
        return at;
    }
    void newRow() {
        x_ = kGap;
        y_ += rowHeight_ + kGap;
        rowHeight_ = 0;
    }
    int bottom() const { return y_ + rowHeight_ + kGap; }

private:
    int x_;
    int y_;
    int rowHeight_ = 0;
};

Canvas fitted(const Canvas& source, int box) {
    float scale = std::min(static_cast<float>(box) / source.width(), static_cast<float>(box) / source.height());
    int w = std::max(1, static_cast<int>(std::lround(source.width() * scale)));
    int h = std::max(1, static_cast<int>(std::lround(source.height() * scale)));
    return resampled(source, w, h);
}

Canvas cellFor(const Canvas& art) {
    Canvas cell(kCell, kCell);
    fill(cell, roundedRect({0, 0, kCell, kCell}, 6.0f), Paint::solid(rgb(52, 52, 58)));
    fill(cell, outline(roundedRect({0.5f, 0.5f, kCell - 0.5f, kCell - 0.5f}, 6.0f), 0.5f),
         Paint::solid(rgb(84, 84, 94)));
    Canvas inner = fitted(art, kCell - 8);
    cell.draw(inner, (kCell - inner.width()) / 2, (kCell - inner.height()) / 2);
    return cell;
}

// A pointer at its drawn size over a dark and a light patch.
Canvas pointerSample(const Canvas& art, int size) {
    Canvas sample(size * 2 + 24, size + 16);
    fill(sample, roundedRect({0, 0, static_cast<float>(size + 12), static_cast<float>(size + 16)}, 3.0f),
         Paint::solid(rgb(44, 44, 50)));
    fill(sample,
         roundedRect({static_cast<float>(size + 12), 0, static_cast<float>(size * 2 + 24), static_cast<float>(size + 16)},
                     3.0f),
         Paint::vertical(rgb(236, 230, 214), rgb(150, 160, 176), 0, static_cast<float>(size + 16)));
    Canvas small = resampled(art, size, size);
    sample.draw(small, 6, 8);
    sample.draw(small, size + 18, 8);
    return sample;
}

Canvas shownSample(const ArtEntry& entry, const Canvas& art) {
    if (entry.kind == ArtKind::Cursor) return pointerSample(art, entry.shownWidth);
    if (entry.path.find("pixel.dds") != std::string::npos) {
        // The floor repeats the cell, mirrored from cell to cell.
        Canvas floor(entry.shownWidth * 4, entry.shownHeight * 2);
        fill(floor, roundedRect({0, 0, static_cast<float>(floor.width()), static_cast<float>(floor.height())}, 0.0f),
             Paint::solid(rgb(40, 40, 46)));
        Canvas cell = resampled(art, entry.shownWidth / 2, entry.shownHeight / 2);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 8; ++x) floor.draw(cell, x * cell.width(), y * cell.height());
        return floor;
    }
    return resampled(art, entry.shownWidth, entry.shownHeight);
}

// ---- model preview: a small z-buffered rasteriser ----

struct ViewVertex {
    Vec3 position;  // x, y on screen (pixels), z depth (larger is farther)
    Vec3 normal;
};

Vec3 toView(Vec3 p) {
    // Turn the model 35 degrees about y, then tilt it to look from above.
    const float yaw = 35.0f * 3.14159265f / 180.0f;
    const float pitch = 25.0f * 3.14159265f / 180.0f;
    Vec3 a{p.x * std::cos(yaw) - p.z * std::sin(yaw), p.y, p.x * std::sin(yaw) + p.z * std::cos(yaw)};
    return {a.x, a.y * std::cos(pitch) - a.z * std::sin(pitch), a.y * std::sin(pitch) + a.z * std::cos(pitch)};
}

float edge(Vec3 a, Vec3 b, float x, float y) { return (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x); }

void shadePixel(Canvas& canvas, int x, int y, Vec3 normal, const Material& m) {
    Vec3 n = normalised(normal);
    Vec3 light = normalised({-0.45f, 0.6f, -0.65f});
    float diffuse = std::max(0.0f, dot(n, light));
    Vec3 half = normalised(light + Vec3{0, 0, -1});
    float specular = m.specular * std::pow(std::max(0.0f, dot(n, half)), m.power);
    float k = 0.28f + 0.72f * diffuse;
    canvas.blend(x, y,
                 {std::min(1.0f, m.red * k + specular), std::min(1.0f, m.green * k + specular),
                  std::min(1.0f, m.blue * k + specular), 1.0f},
                 1.0f);
}

}  // namespace

Canvas renderModelPreview(const Model& model, int size) {
    const int supersample = 2;
    int big = size * supersample;
    std::vector<ViewVertex> vertices;
    float minX = std::numeric_limits<float>::max(), minY = minX;
    float maxX = -minX, maxY = -minX;
    for (size_t i = 0; i < model.mesh.positions.size(); ++i) {
        Vec3 p = toView(model.mesh.positions[i]);
        vertices.push_back({p, toView(model.mesh.normals[i])});
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    float extent = std::max(maxX - minX, maxY - minY);
    float scale = extent > 0.0f ? big * 0.86f / extent : 1.0f;
    Vec2 middle{(minX + maxX) * 0.5f, (minY + maxY) * 0.5f};
    for (ViewVertex& v : vertices)
        v.position = {big * 0.5f + (v.position.x - middle.x) * scale, big * 0.5f - (v.position.y - middle.y) * scale,
                      v.position.z};

    Canvas canvas(big, big);
    std::vector<float> depth(static_cast<size_t>(big) * big, std::numeric_limits<float>::max());
    for (const auto& face : model.mesh.faces) {
        const ViewVertex& a = vertices[face[0]];
        const ViewVertex& b = vertices[face[1]];
        const ViewVertex& c = vertices[face[2]];
        float area = edge(a.position, b.position, c.position.x, c.position.y);
        if (std::fabs(area) < 1e-6f) continue;
        int x0 = std::max(0, static_cast<int>(std::min({a.position.x, b.position.x, c.position.x})));
        int x1 = std::min(big - 1, static_cast<int>(std::max({a.position.x, b.position.x, c.position.x})) + 1);
        int y0 = std::max(0, static_cast<int>(std::min({a.position.y, b.position.y, c.position.y})));
        int y1 = std::min(big - 1, static_cast<int>(std::max({a.position.y, b.position.y, c.position.y})) + 1);
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                float px = x + 0.5f;
                float py = y + 0.5f;
                float wa = edge(b.position, c.position, px, py) / area;
                float wb = edge(c.position, a.position, px, py) / area;
                float wc = 1.0f - wa - wb;
                if (wa < 0.0f || wb < 0.0f || wc < 0.0f) continue;
                float z = wa * a.position.z + wb * b.position.z + wc * c.position.z;
                float& stored = depth[static_cast<size_t>(y) * big + x];
                if (z >= stored) continue;
                stored = z;
                Vec3 n = a.normal * wa + b.normal * wb + c.normal * wc;
                canvas.premultiplied(x, y)[3] = 0.0f;  // nearer surface replaces the farther one
                for (int k = 0; k < 3; ++k) canvas.premultiplied(x, y)[k] = 0.0f;
                shadePixel(canvas, x, y, n, model.material);
            }
        }
    }
    return resampled(canvas, size, size);
}

bool writeContactSheet(const std::vector<ArtEntry>& entries, const std::string& pngPath, std::string& error) {
    std::vector<Placed> cells;
    std::vector<Placed> shown;
    std::vector<Placed> models;
    for (const ArtEntry& entry : entries) {
        if (entry.kind == ArtKind::Model) {
            models.push_back({renderModelPreview(entry.build(), 160), entry.path});
            continue;
        }
        Canvas art = entry.draw();
        cells.push_back({cellFor(art), entry.path});
        shown.push_back({shownSample(entry, art), entry.path});
    }

    // Lay out once to find the height, then draw.
    struct Spot {
        const Placed* item;
        Vec2 at;
    };
    std::vector<Spot> spots;
    RowLayout layout(kGap);
    for (const Placed& p : cells) spots.push_back({&p, layout.place(p.canvas.width(), p.canvas.height())});
    layout.newRow();
    layout.newRow();
    for (const Placed& p : shown) spots.push_back({&p, layout.place(p.canvas.width(), p.canvas.height())});
    layout.newRow();
    layout.newRow();
    for (const Placed& p : models) spots.push_back({&p, layout.place(p.canvas.width(), p.canvas.height())});

    Canvas sheet(kSheetWidth, layout.bottom());
    fill(sheet, roundedRect({0, 0, static_cast<float>(sheet.width()), static_cast<float>(sheet.height())}, 0.0f),
         Paint::solid(kSheetBackground));
    std::string legend;
    int index = 0;
    for (const Spot& spot : spots) {
        sheet.draw(spot.item->canvas, static_cast<int>(spot.at.x), static_cast<int>(spot.at.y));
        legend += std::to_string(index++) + "  (" + std::to_string(static_cast<int>(spot.at.x)) + ", " +
                  std::to_string(static_cast<int>(spot.at.y)) + ")  " + spot.item->label + "\n";
    }

    std::error_code code;
    std::filesystem::path target(pngPath);
    if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), code);
    String message;
    if (!encodeImageFile(String(pngPath.c_str()), sheet.toImage(), message)) {
        error = message.str();
        return false;
    }
    std::filesystem::path legendPath = target;
    legendPath.replace_extension(".txt");
    std::ofstream out(legendPath, std::ios::trunc);
    out << legend;
    if (!out) {
        error = "cannot write " + legendPath.string();
        return false;
    }
    return true;
}

}  // namespace artgen
