// A synthetic object made of capsules, photographed from known placements:
// the silhouettes are rendered into masks here (an orthographic capsule
// shadow is a 2D capsule, so the masks are exact), clippings are placed at
// the same angles, and the visual hull is answered independently of the
// clipping code by projecting points with this file's own rotation.
#pragma once

#include "image/image.h"
#include "image/image_entry.h"
#include "image/border.h"
#include "sculpt/clipping.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace synthetic {

struct Vec3 {
    double x = 0.0, y = 0.0, z = 0.0;
};

inline Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline double dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// A segment swept by a ball; a == b gives a sphere.
struct Capsule {
    Vec3 a;
    Vec3 b;
    double radius = 0.0;
};

// One photograph: the turn about Y and the tilt (degrees), and the slab depth.
struct View {
    double angle = 0.0;
    double angleheight = 0.0;
    double slabDepth = 1500.0;
};

// The local frame of a view: t along the viewing axis, y and z across it.
// Built as RotY(angle) * RotZ(-angleheight) with vectors as rows; the local
// coordinates of p are (p . column0, p . column1, p . column2).
struct Frame {
    Vec3 t, y, z;
};

inline Frame frameOf(const View& view) {
    const double k = 4.0 * std::atan(1.0) / 180.0;
    const double ca = std::cos(k * view.angle), sa = std::sin(k * view.angle);
    const double ch = std::cos(-k * view.angleheight), sh = std::sin(-k * view.angleheight);
    // RotY rows: (ca 0 -sa) (0 1 0) (sa 0 ca); RotZ rows: (ch sh 0) (-sh ch 0) (0 0 1).
    const double m[3][3] = {
        {ca * ch, ca * sh, -sa},
        {-sh, ch, 0.0},
        {sa * ch, sa * sh, ca},
    };
    return Frame{{m[0][0], m[1][0], m[2][0]}, {m[0][1], m[1][1], m[2][1]}, {m[0][2], m[1][2], m[2][2]}};
}

// Pictures are 512 by 512 without margins, rotation centre (255, 255), so
// the usable pixels are 0 .. 509 and pixel (x, y) covers the local
// coordinates z in (s * (255 - 1 - x), s * (255 - x)] (likewise y), s the
// world size of a pixel.
constexpr int kUsable = 510;
constexpr double kCentre = 255.0;

class Scene {
public:
    // `withOutlines`: the entries keep the border traced from their masks
    // (needed by sharpening); otherwise the silhouettes are the bare pixels.
    Scene(std::vector<Capsule> capsules, std::vector<View> views, double pixelSize = 2.0, bool withOutlines = false)
        : capsules_(std::move(capsules)), views_(std::move(views)), pixel_(pixelSize), withOutlines_(withOutlines) {
        for (const View& view : views_) {
            frames_.push_back(frameOf(view));
            outlineRasters_.emplace_back();
            masks_.push_back(render(frames_.back()));
            addClipping(view, masks_.back());
        }
    }

    std::vector<Clipping*> clippings() const {
        std::vector<Clipping*> list;
        for (const auto& c : clippingObjects_) {
            list.push_back(c.get());
        }
        return list;
    }
    const std::vector<View>& views() const { return views_; }
    double pixelSize() const { return pixel_; }

    // The pixel (x, y) of view `v` that the point falls on, and its depth t.
    void project(int v, const Vec3& p, double& x, double& y, double& t) const {
        const Frame& f = frames_[static_cast<std::size_t>(v)];
        t = dot(p, f.t);
        x = kCentre - dot(p, f.z) / pixel_;
        y = kCentre - dot(p, f.y) / pixel_;
    }
    bool silhouetteAt(int v, int x, int y) const {
        if (x < 0 || y < 0 || x >= kUsable || y >= kUsable) {
            return false;
        }
        return masks_[static_cast<std::size_t>(v)][static_cast<std::size_t>(y * kUsable + x)] != 0;
    }
    // Inside the visual hull: inside every silhouette and every slab.
    bool insideHull(const Vec3& p) const {
        for (int v = 0; v < static_cast<int>(views_.size()); ++v) {
            double x, y, t;
            project(v, p, x, y, t);
            if (std::abs(t) > views_[static_cast<std::size_t>(v)].slabDepth * 0.5 ||
                !silhouetteAt(v, static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)))) {
                return false;
            }
        }
        return true;
    }
    // With outlines: whether the point (x, y) of view `v`'s picture (pixel
    // units, x to the right, y down) lies inside the traced and smoothed
    // outline, the silhouette the program itself works with. Answered by the
    // nearest sample of a raster made on first use, with samples every
    // 1 / kOutlineSamples pixel from 0 on: pixel centres and corners are
    // samples themselves, so the answers there are exact.
    // The same asked of the border itself, exactly at (x, y) (the mask
    // pixel when the scene keeps no outlines); slower.
    bool insideOutlineExactly(int v, double x, double y) const {
        const Border* border = entries_[static_cast<std::size_t>(v)]->border.get();
        // Outline coordinates: the picture turned by 180 degrees.
        return border != nullptr ? border->isInsideOutline(static_cast<float>(512.0 - x), static_cast<float>(512.0 - y))
                                 : silhouetteAt(v, static_cast<int>(x), static_cast<int>(y));
    }
    bool insideOutline(int v, double x, double y) const {
        const std::vector<unsigned char>& raster = outlineRaster(v);
        const int n = kOutlineRasterSide;
        const int sx = static_cast<int>(std::floor(x * kOutlineSamples + 0.5));
        const int sy = static_cast<int>(std::floor(y * kOutlineSamples + 0.5));
        if (sx < 0 || sy < 0 || sx >= n || sy >= n) return false;
        return raster[static_cast<std::size_t>(sy) * static_cast<std::size_t>(n) + static_cast<std::size_t>(sx)] != 0;
    }
    // Inside the hull of the outlines: inside every outline and every slab.
    bool insideOutlineHull(const Vec3& p) const {
        for (int v = 0; v < static_cast<int>(views_.size()); ++v) {
            double x, y, t;
            project(v, p, x, y, t);
            if (std::abs(t) > views_[static_cast<std::size_t>(v)].slabDepth * 0.5 || !insideOutline(v, x, y)) {
                return false;
            }
        }
        return true;
    }
    bool hasOutlines() const { return withOutlines_; }

    // Distance in pixels from each pixel centre to the nearest silhouette
    // pixel centre of view `v` (0 on the silhouette).
    std::vector<double> silhouetteDistance(int v) const {
        const double inf = 1e12;
        std::vector<double> d(static_cast<std::size_t>(kUsable * kUsable));
        for (int i = 0; i < kUsable * kUsable; ++i) {
            d[static_cast<std::size_t>(i)] = masks_[static_cast<std::size_t>(v)][static_cast<std::size_t>(i)] ? 0.0 : inf;
        }
        // Squared Euclidean distance transform, rows then columns (lower
        // envelope of parabolas).
        std::vector<double> line(kUsable), out(kUsable), z(kUsable + 1);
        std::vector<int> hull(kUsable);
        auto pass = [&](int stride, int step) {
            for (int s = 0; s < kUsable; ++s) {
                for (int i = 0; i < kUsable; ++i) line[i] = d[static_cast<std::size_t>(s * stride + i * step)];
                int k = -1;
                for (int q = 0; q < kUsable; ++q) {
                    if (line[q] >= inf) continue;
                    double cut = -inf;
                    while (k >= 0) {
                        const int r = hull[k];
                        cut = ((line[q] + double(q) * q) - (line[r] + double(r) * r)) / (2.0 * (q - r));
                        if (cut > z[k]) break;
                        --k;
                    }
                    ++k;
                    hull[k] = q;
                    z[k] = k == 0 ? -inf : cut;
                    z[k + 1] = inf;
                }
                for (int i = 0, j = 0; i < kUsable; ++i) {
                    if (k < 0) {
                        out[i] = inf;
                        continue;
                    }
                    while (z[j + 1] < i) ++j;
                    const int r = hull[j];
                    out[i] = line[r] + double(i - r) * (i - r);
                }
                for (int i = 0; i < kUsable; ++i) d[static_cast<std::size_t>(s * stride + i * step)] = out[i];
            }
        };
        pass(kUsable, 1);
        pass(1, kUsable);
        for (double& value : d) value = std::sqrt(value);
        return d;
    }

private:
    static constexpr int kOutlineSamples = 2;
    static constexpr int kOutlineRasterSide = kUsable * kOutlineSamples + 1;

    const std::vector<unsigned char>& outlineRaster(int v) const {
        std::vector<unsigned char>& raster = outlineRasters_[static_cast<std::size_t>(v)];
        if (raster.empty()) {
            const int n = kOutlineRasterSide;
            raster.assign(static_cast<std::size_t>(n) * static_cast<std::size_t>(n), 0);
            for (int sy = 0; sy < n; ++sy) {
                for (int sx = 0; sx < n; ++sx) {
                    const double x = static_cast<double>(sx) / kOutlineSamples;
                    const double y = static_cast<double>(sy) / kOutlineSamples;
                    raster[static_cast<std::size_t>(sy) * static_cast<std::size_t>(n) + static_cast<std::size_t>(sx)] =
                        insideOutlineExactly(v, x, y) ? 1 : 0;
                }
            }
        }
        return raster;
    }

    static double segmentDistance2D(double px, double py, double ax, double ay, double bx, double by) {
        const double dx = bx - ax, dy = by - ay;
        const double len2 = dx * dx + dy * dy;
        double s = len2 > 0.0 ? ((px - ax) * dx + (py - ay) * dy) / len2 : 0.0;
        s = std::clamp(s, 0.0, 1.0);
        const double ex = px - (ax + s * dx), ey = py - (ay + s * dy);
        return std::sqrt(ex * ex + ey * ey);
    }

    std::vector<unsigned char> render(const Frame& f) const {
        std::vector<unsigned char> mask(static_cast<std::size_t>(kUsable * kUsable), 0);
        for (int y = 0; y < kUsable; ++y) {
            for (int x = 0; x < kUsable; ++x) {
                const double lz = pixel_ * (kCentre - 0.5 - x);
                const double ly = pixel_ * (kCentre - 0.5 - y);
                for (const Capsule& c : capsules_) {
                    if (segmentDistance2D(lz, ly, dot(c.a, f.z), dot(c.a, f.y), dot(c.b, f.z), dot(c.b, f.y)) <=
                        c.radius) {
                        mask[static_cast<std::size_t>(y * kUsable + x)] = 1;
                        break;
                    }
                }
            }
        }
        return mask;
    }

    void addClipping(const View& view, const std::vector<unsigned char>& pixels) {
        Image picture(512, 512);
        picture.rotationCentre = ImagePoint{static_cast<float>(kCentre), static_cast<float>(kCentre)};
        picture.fovCentre = picture.rotationCentre;
        Image mask(512, 512);
        for (int y = 0; y < kUsable; ++y) {
            for (int x = 0; x < kUsable; ++x) {
                if (pixels[static_cast<std::size_t>(y * kUsable + x)]) {
                    mask.setPixel(x, y, Rgb{255, 255, 255});
                }
            }
        }
        auto entry = std::make_unique<ImageEntry>(Image(), std::move(picture), std::move(mask));
        // The silhouette is taken straight from the mask, without the
        // outline's smoothing, so the clippings see exactly these pixels.
        if (!withOutlines_) {
            entry->border.reset();
        }
        auto clipping = std::make_unique<Clipping>(*entry);
        ClippingPlacement placement;
        placement.scaling = D3DXVECTOR3(static_cast<float>(view.slabDepth), static_cast<float>(pixel_),
                                        static_cast<float>(pixel_));
        placement.angle = static_cast<float>(view.angle);
        placement.angleheight = static_cast<float>(view.angleheight);
        clipping->setPlacement(placement);
        ClippingFlags flags;
        flags.enabled = true;
        clipping->setFlags(flags);
        entries_.push_back(std::move(entry));
        clippingObjects_.push_back(std::move(clipping));
    }

    std::vector<Capsule> capsules_;
    std::vector<View> views_;
    double pixel_;
    bool withOutlines_ = false;
    std::vector<Frame> frames_;
    std::vector<std::vector<unsigned char>> masks_;
    mutable std::vector<std::vector<unsigned char>> outlineRasters_;
    std::vector<std::unique_ptr<ImageEntry>> entries_;
    std::vector<std::unique_ptr<Clipping>> clippingObjects_;
};

// A sphere of radius 400 at the origin.
inline std::vector<Capsule> sphere() { return {Capsule{{0, 0, 0}, {0, 0, 0}, 400.0}}; }

// A sphere of radius 300 at the origin.
inline std::vector<Capsule> sphere300() { return {Capsule{{0, 0, 0}, {0, 0, 0}, 300.0}}; }

// A ring of eight capsules (an octagonal torus about the Y axis, centre
// radius 300, tube radius 90) with a post of radius 60 standing through
// one side: seen from above it shows a hole, so its visual hull is not
// convex.
inline std::vector<Capsule> ringWithPost() {
    std::vector<Capsule> parts;
    const double k = 4.0 * std::atan(1.0) / 4.0;
    for (int i = 0; i < 8; ++i) {
        const Vec3 a{300.0 * std::cos(k * i), 0.0, 300.0 * std::sin(k * i)};
        const Vec3 b{300.0 * std::cos(k * (i + 1)), 0.0, 300.0 * std::sin(k * (i + 1))};
        parts.push_back(Capsule{a, b, 90.0});
    }
    parts.push_back(Capsule{{300.0, -250.0, 0.0}, {300.0, 250.0, 0.0}, 60.0});
    return parts;
}

// A four-legged creature with horns and a tail: a body of radius 110, legs
// of radius 22, horns of radius 12 and a tail of radius 10, so that at the
// usual pixel size the thin parts are 6 to 11 pixels wide.
inline std::vector<Capsule> creature() {
    return {
        Capsule{{-180, 60, 0}, {180, 60, 0}, 110.0},    // body
        Capsule{{230, 150, 0}, {300, 190, 0}, 70.0},     // head
        Capsule{{-150, 0, -70}, {-170, -330, -80}, 22.0},  // legs
        Capsule{{-150, 0, 70}, {-170, -330, 80}, 22.0},
        Capsule{{150, 0, -70}, {170, -330, -80}, 22.0},
        Capsule{{150, 0, 70}, {170, -330, 80}, 22.0},
        Capsule{{300, 230, -40}, {340, 380, -110}, 12.0},  // horns
        Capsule{{300, 230, 40}, {340, 380, 110}, 12.0},
        Capsule{{-270, 80, 0}, {-400, -120, 30}, 10.0},   // tail
    };
}

// Four photographs taken walking around the object, 60 degrees apart.
inline std::vector<View> fourViews60() { return {View{0, 0}, View{60, 0}, View{120, 0}, View{180, 0}}; }

// Four turns about Y, one view from above and one from below at a slant.
inline std::vector<View> sixViews() {
    return {View{0, 0}, View{45, 0}, View{90, 0}, View{135, 0}, View{0, 90}, View{60, 45}};
}

}  // namespace synthetic
