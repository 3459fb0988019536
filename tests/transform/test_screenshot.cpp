// Screenshots that carve: the screenshot's clipping sees every point of the
// camera's view at the pixel where the window showed it, through the whole
// slab; the object's silhouette is drawn where its triangles cover pixel
// centres; and the mode's screenshot becomes a picture that takes part in
// the next sculpting like any other.
#include "transform/screenshot.h"

#include "image/image_entry.h"
#include "project/clipping_elements.h"
#include "render/renderer.h"
#include "sculpt/clipping.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 800;

int maskPixels(const Image& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y).red != 0 ? 1 : 0;
    return count;
}

}  // namespace

TEST(Screenshot, TheClippingSeesEveryPointWhereTheWindowShowedIt) {
    Camera camera;
    camera.setPosition({-900, 400, 300});
    camera.yawRight(33.0f);
    camera.pitchDown(17.0f);
    const ScreenshotSlab slab = screenshotSlab(1500.0f, 600.0f);
    EXPECT_FLOAT_EQ(slab.nearDistance, 900.0f);

    ImageList images;
    ClippingTable clippings(images);
    images.append(entryFromPicture(Image(kWidth, kHeight, Rgb{9, 9, 9}), Image(kWidth, kHeight), 1, 255));
    Clipping& clipping = *clippings.clipping(0);
    clipping.update();
    const Image& mask = clipping.entry().mask;
    const float pictureWidth = static_cast<float>(mask.width() - mask.marginRight);
    const float pictureHeight = static_cast<float>(mask.height() - mask.marginBottom);
    const float aspect = static_cast<float>(kWidth) / kHeight;
    clipping.setPlacement(
        screenshotPlacement(camera, DxRenderer::kFieldOfView, aspect, pictureWidth, pictureHeight, slab));
    ASSERT_TRUE(clipping.prepareProjection());

    const float tanVertical = std::tan(DxRenderer::kFieldOfView / 2.0f);
    const float slabMiddle = (slab.nearDistance + slab.farDistance) / 2.0f;
    for (const auto& [px, py] : {std::pair{640.0f, 400.0f}, {100.0f, 50.0f}, {1200.0f, 700.0f}, {900.0f, 123.0f}}) {
        for (float distance : {slab.nearDistance, slabMiddle, slab.farDistance}) {
            const float ndcX = px / kWidth * 2.0f - 1.0f;
            const float ndcY = 1.0f - py / kHeight * 2.0f;
            const D3DXVECTOR3 point = camera.position() + camera.viewDirection() * distance +
                                      camera.sideways() * (ndcX * distance * tanVertical * aspect) +
                                      camera.upDirection() * (ndcY * distance * tanVertical);
            const std::optional<ClipPoint> seen = clipping.projection().projectPoint(point);
            ASSERT_TRUE(seen.has_value());
            EXPECT_NEAR(pictureWidth - seen->u, px / kWidth * pictureWidth, 0.05f) << px << ", " << py << " at " << distance;
            EXPECT_NEAR(pictureHeight - seen->w, py / kHeight * pictureHeight, 0.05f) << px << ", " << py;
            EXPECT_NEAR(seen->t, distance - slabMiddle, 0.05f);
        }
    }
}

TEST(Screenshot, TheSlabNeverWidensBeyondTheClippingsWidestFieldOfView) {
    const ScreenshotSlab slab = screenshotSlab(300.0f, 3000.0f);
    EXPECT_FLOAT_EQ(slab.farDistance, 300.0f);
    EXPECT_FLOAT_EQ(slab.nearDistance, 20.0f);
    const ScreenshotSlab odd = screenshotSlab(std::nanf(""), -5.0f);
    EXPECT_GT(odd.nearDistance, 0.0f);
    EXPECT_LE(odd.nearDistance, odd.farDistance);
}

TEST(Screenshot, TheSilhouetteCoversThePixelsTheTrianglesCover) {
    // A square 2 units wide at depth 10 in front of a camera at the origin
    // looking along +z (identity view), 90 degrees high: it covers the
    // middle fifth of a 100 x 100 picture.
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, 1.5707964f, 1.0f, 1.0f, 100.0f);
    auto corner = [](float x, float y) {
        VertexPNCT v;
        v.position = D3DXVECTOR3(x, y, 10.0f);
        return v;
    };
    std::vector<MeshReprTriangle> triangles(2);
    triangles[0].corners[0] = corner(-1, -1);
    triangles[0].corners[1] = corner(1, -1);
    triangles[0].corners[2] = corner(-1, 1);
    triangles[1].corners[0] = corner(1, 1);
    triangles[1].corners[1] = corner(-1, 1);
    triangles[1].corners[2] = corner(1, -1);
    const Image mask = objectSilhouette(triangles, projection, 100, 100);
    EXPECT_EQ(maskPixels(mask), 100);  // pixels 45 .. 54 both ways
    EXPECT_EQ(mask.pixel(45, 45).red, 255);
    EXPECT_EQ(mask.pixel(54, 54).red, 255);
    EXPECT_EQ(mask.pixel(44, 50).red, 0);
    // Behind the camera nothing is drawn.
    for (MeshReprTriangle& t : triangles)
        for (VertexPNCT& c : t.corners) c.position.z = -10.0f;
    EXPECT_EQ(maskPixels(objectSilhouette(triangles, projection, 100, 100)), 0);
}
