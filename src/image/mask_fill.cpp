// Flood fill of the mask from a seed pixel.
#include "image/masking_tools.h"

#include <cstdlib>

namespace {

// Decides whether a pixel joins the region of the seed.
class FillMatcher {
public:
    FillMatcher(const Image& basis, FillBasis kind, int seedIndex, int tolerance)
        : bytes_(basis.bytes()), kind_(kind), tolerance_(tolerance) {
        const unsigned char* seed = bytes_ + static_cast<size_t>(seedIndex) * 3;
        seed_[0] = seed[0];
        seed_[1] = seed[1];
        seed_[2] = seed[2];
        seedSet_ = isSetAt(seedIndex);
    }

    bool joins(int index) const {
        if (kind_ == FillBasis::Mask) return isSetAt(index) == seedSet_;
        const unsigned char* p = bytes_ + static_cast<size_t>(index) * 3;
        return std::abs(p[0] - seed_[0]) <= tolerance_ && std::abs(p[1] - seed_[1]) <= tolerance_ &&
               std::abs(p[2] - seed_[2]) <= tolerance_;
    }

private:
    bool isSetAt(int index) const {
        const unsigned char* p = bytes_ + static_cast<size_t>(index) * 3;
        return (p[0] | p[1] | p[2]) != 0;
    }

    const unsigned char* bytes_;
    FillBasis kind_;
    int tolerance_;
    int seed_[3] = {0, 0, 0};
    bool seedSet_ = false;
};

bool sameSize(const Image& a, const Image& b) {
    return a.width() == b.width() && a.height() == b.height();
}

}  // namespace

int floodFill(const Image& workingCopy, Image& mask, int sx, int sy, FillBasis basis, int tolerance, Rgb colour) {
    if (!mask.isValid()) return 0;
    if (basis == FillBasis::Image && (!workingCopy.isValid() || !sameSize(workingCopy, mask))) return 0;
    const int width = mask.width();
    const int height = mask.height();
    if (sx < 0 || sy < 0 || sx >= width || sy >= height) return 0;

    // With the mask as basis the mask is read while it is written. That is
    // safe: a pixel is written only once it has been taken from the queue,
    // and a pixel is compared only before it is first visited.
    const Image& flooded = basis == FillBasis::Image ? workingCopy : mask;
    FillMatcher matcher(flooded, basis, width * sy + sx, tolerance);
    const PixelBox reachable = areaBox(mask);
    const PixelBox writable = writableBox(mask);

    // Every pixel enters the queue at most once, so width * height entries suffice.
    std::vector<int> queue(static_cast<size_t>(width) * height);
    std::vector<std::uint8_t> visited(static_cast<size_t>(width) * height, 0);
    size_t head = 0;
    size_t tail = 0;
    queue[tail++] = width * sy + sx;
    unsigned char* out = mask.bytes();
    int written = 0;

    auto consider = [&](int nx, int ny) {
        if (!reachable.contains(nx, ny)) return;
        int index = width * ny + nx;
        if (visited[index]) return;
        visited[index] = 1;
        if (matcher.joins(index)) queue[tail++] = index;
    };

    while (head < tail) {
        int index = queue[head++];
        visited[index] = 1;
        int x = index % width;
        int y = index / width;
        if (writable.contains(x, y)) {
            unsigned char* p = out + static_cast<size_t>(index) * 3;
            p[0] = colour.red;
            p[1] = colour.green;
            p[2] = colour.blue;
            ++written;
        }
        consider(x - 1, y);
        consider(x + 1, y);
        consider(x, y - 1);
        consider(x, y + 1);
    }
    return written;
}
