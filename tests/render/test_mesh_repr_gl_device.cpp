// The sculpted object drawn by OpenGL: a closed cube wound as the sculpting
// pipeline winds its faces shows its outer side lit by the material, with
// and without its texture, in wireframe, and with the material's specular
// highlight. Skipped without a display.
#include "platform/gl_device.h"
#include "render/scene/mesh_repr.h"
#include "render/texture.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <memory>
#include <vector>

// libdbus (SDL video start-up) keeps one buffer it never frees: not ours to report.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }

namespace {

constexpr int kSize = 64;

struct Rgb {
    int r, g, b;
};

// The cube from -1 to 1 as the pipeline hands over its quads: E, F, G, H with
// triangles (E, F, G) and (F, H, G) and the outward face normal
// (G - E) x (F - E); flat shaded, texture coordinates across each face.
std::vector<MeshReprTriangle> cube() {
    std::vector<MeshReprTriangle> out;
    for (int axis = 0; axis < 3; ++axis) {
        for (float side : {-1.0f, 1.0f}) {
            auto point = [&](float a, float b) {
                float c[3];
                c[axis] = side;
                c[(axis + 1) % 3] = a;
                c[(axis + 2) % 3] = b;
                return D3DXVECTOR3(c[0], c[1], c[2]);
            };
            D3DXVECTOR3 e = point(-1, -1), f = point(1, -1), g = point(-1, 1), h = point(1, 1);
            D3DXVECTOR3 normal;
            const D3DXVECTOR3 ge = g - e, fe = f - e;
            D3DXVec3Cross(&normal, &ge, &fe);
            if (D3DXVec3Dot(&normal, &e) < 0) {  // make it point out of the cube
                std::swap(f, g);
                normal = -normal;
            }
            D3DXVec3Normalize(&normal, &normal);
            auto corner = [&](const D3DXVECTOR3& p, float u, float v) { return VertexPNCT{p, normal, 0, u, v}; };
            const VertexPNCT ce = corner(e, 0, 0), cf = corner(f, 1, 0), cg = corner(g, 0, 1), ch = corner(h, 1, 1);
            out.push_back({{ce, cf, cg}, normal});
            out.push_back({{cf, ch, cg}, normal});
        }
    }
    return out;
}

class MeshReprOnGlDevice : public ::testing::Test {
protected:
    void SetUp() override {
        // One window for the run, never closed (closing unloads the driver).
        static gfx::HiddenGlWindow* window = gfx::HiddenGlWindow::create(kSize, kSize).release();
        if (window == nullptr) GTEST_SKIP() << "no display with OpenGL 3.3 core";
        ASSERT_TRUE(window->makeCurrent());
        device = gfx::createGlDevice(window->window(), kSize, kSize);
        ASSERT_TRUE(device);
        D3DXMATRIX view;
        D3DXMATRIX projection;
        const D3DXVECTOR3 eye(0, 0, -6), at(0, 0, 0), up(0, 1, 0);
        D3DXMatrixLookAtLH(&view, &eye, &at, &up);
        D3DXMatrixPerspectiveFovLH(&projection, 0.5235988f, 1.0f, 1.0f, 100.0f);
        device->setTransform(gfx::TransformKind::View, view);
        device->setTransform(gfx::TransformKind::Projection, projection);
        gfx::DirectionalLight light;
        light.direction = {0, 0, 1};  // from the viewer into the scene
        light.specular = {1, 1, 1, 1};
        device->setLight(light);
        device->enableLight(true);
    }
    void TearDown() override { device.reset(); }

    // Draws `mesh` on a dark blue background and reads pixel (x, y).
    Rgb draw(MeshRepr& mesh, int x, int y) {
        device->clear(gfx::kClearTarget | gfx::kClearDepth, 0xFF000040, 1.0f, 0);
        mesh.render();
        std::vector<unsigned char> rgba;
        int width = 0, height = 0;
        EXPECT_TRUE(device->readBackBuffer(rgba, width, height));
        const size_t at = (static_cast<size_t>(y) * kSize + x) * 4;
        return {rgba[at], rgba[at + 1], rgba[at + 2]};
    }

    std::unique_ptr<gfx::GraphicsDevice> device;
};

::testing::AssertionResult near(Rgb a, Rgb e, int tolerance = 3) {
    if (std::abs(a.r - e.r) <= tolerance && std::abs(a.g - e.g) <= tolerance && std::abs(a.b - e.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got (" << a.r << ", " << a.g << ", " << a.b << "), expected (" << e.r
                                         << ", " << e.g << ", " << e.b << ")";
}

// Inside the front face, away from its diagonal.
constexpr int kFaceX = 44, kFaceY = 36;
constexpr Rgb kBackground{0, 0, 64};

}  // namespace

TEST_F(MeshReprOnGlDevice, TheOuterSideShowsInTheMaterialTextureWireframeAndHighlight) {
    gfx::Material material;
    material.diffuse = {0.8f, 0.4f, 0.2f, 1};
    MeshRepr mesh(*device, material);
    mesh.fill(cube());

    // Lit head-on: the material's diffuse colour. Were the inner side drawn,
    // the far face would show, turned away from the light: black.
    EXPECT_TRUE(near(draw(mesh, kFaceX, kFaceY), {204, 102, 51}));
    EXPECT_TRUE(near(draw(mesh, 2, 2), kBackground));

    const std::array<unsigned char, 4> green = {0, 255, 0, 255};
    Texture texture(*device, 1, 1, green.data());
    mesh.addTexture(&texture);
    EXPECT_TRUE(near(draw(mesh, kFaceX, kFaceY), {0, 102, 0})) << "the texture multiplies the lit colour";
    mesh.setTexturesOn(false);
    EXPECT_TRUE(near(draw(mesh, kFaceX, kFaceY), {204, 102, 51}));

    mesh.setWireframe(true);
    EXPECT_TRUE(near(draw(mesh, kFaceX, kFaceY), kBackground)) << "inside a face, wireframe shows what is behind";
    mesh.setWireframe(false);

    material.specular = {0.2f, 0.4f, 0.6f, 1};
    mesh.setMaterialColours(material);
    // N.H = 0.9905 at every corner: 0.8 of the specular colour is added.
    EXPECT_TRUE(near(draw(mesh, kFaceX, kFaceY), {245, 183, 173}, 4)) << "the highlight adds the specular colour";
}
