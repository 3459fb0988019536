#include "transform/view_objects.h"

#include "render/camera.h"
#include "render/renderer.h"
#include "sculpt/clipping_frame.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kFloorOpacity = 0.45f;
constexpr float kCubeOpacity = 0.25f;
constexpr float kCoordinateSystemDepth = 300.0f;
constexpr float kCoordinateSystemPixels = 45.0f;
constexpr float kCoordinateSystemInset = 70.0f;

float wrapRadians(float angle) {
    if (!std::isfinite(angle)) return 0.0f;
    angle = std::fmod(angle, 2.0f * kPi);
    if (angle < 0.0f) angle += 2.0f * kPi;
    return angle;
}

float radians(float degrees) { return degrees * kPi / 180.0f; }

// Unlit see-through lines, depth tested but not written.
void prepareGrid(LineList& lines, float opacity) {
    lines.rsAlpha().blending = true;
    lines.rsBuffer().depthWrite = false;
    lines.rsLightEnabled().enabled = false;
    gfx::Material material;
    material.diffuse = gfx::ColourValue{1.0f, 1.0f, 1.0f, opacity};
    lines.setMaterial(material);
}

// The lines of an n x n grid over the square from `corner` spanned by `u`
// and `v`.
void appendGrid(std::vector<D3DXVECTOR3>& points, const D3DXVECTOR3& corner, const D3DXVECTOR3& u,
                const D3DXVECTOR3& v, int cells) {
    for (int k = 0; k <= cells; ++k) {
        const float share = static_cast<float>(k) / static_cast<float>(cells);
        points.push_back(corner + u * share);
        points.push_back(corner + u * share + v);
        points.push_back(corner + v * share);
        points.push_back(corner + v * share + u);
    }
}

void setBlending(gfx::GraphicsDevice& device) {
    device.setRenderState(gfx::RenderState::SrcBlend, gfx::kBlendSrcAlpha);
    device.setRenderState(gfx::RenderState::DestBlend, gfx::kBlendInvSrcAlpha);
}

// The width of a text mesh along x, from its vertices.
float textWidth(const Mesh& mesh) {
    float low = 0.0f;
    float high = 0.0f;
    bool any = false;
    for (int c = 0; c < mesh.chunkCount(); ++c) {
        const MeshChunk& chunk = mesh.chunk(c);
        const int stride = vertexKindSize(chunk.kind);
        for (int v = 0; v < chunk.vertexCount; ++v) {
            float x = 0.0f;
            std::memcpy(&x, chunk.vertexBytes.data() + static_cast<size_t>(v) * static_cast<size_t>(stride), sizeof(float));
            low = any ? std::min(low, x) : x;
            high = any ? std::max(high, x) : x;
            any = true;
        }
    }
    return high - low;
}

void place(Component& node, const D3DXVECTOR3& position, const D3DXVECTOR3& rotation, float size) {
    node.setTranslation(position);
    node.setRotation(rotation);
    node.setScaling(D3DXVECTOR3(size, size, size));
}

}  // namespace

D3DXVECTOR3 rotationTowards(const D3DXVECTOR3& direction) {
    D3DXVECTOR3 unit;
    D3DXVec3Normalize(&unit, &direction);
    if (D3DXVec3LengthSq(&unit) == 0.0f) return D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    // +z turned about X by ry gives (0, -sin ry, cos ry); then about Y by rx.
    const float ry = std::asin(std::clamp(-unit.y, -1.0f, 1.0f));
    const float rx = std::atan2(unit.x, unit.z);
    return D3DXVECTOR3(wrapRadians(rx), wrapRadians(ry), 0.0f);
}

D3DXVECTOR3 lightDirectionOf(float angle, float angleHeight) {
    const float a = radians(angle);
    const float h = radians(angleHeight);
    return D3DXVECTOR3(std::cos(h) * std::cos(a), -std::sin(h), std::cos(h) * std::sin(a));
}

D3DXMATRIX degreeMarkPlacement(float yaw, float radius, float height, float width) {
    const float a = radians(yaw);
    const D3DXVECTOR3 inwards(std::cos(a), 0.0f, std::sin(a));
    // The text's up points to the middle, its face up; the baseline follows.
    const D3DXVECTOR3 down(0.0f, -1.0f, 0.0f);
    D3DXVECTOR3 along;
    D3DXVec3Cross(&along, &inwards, &down);
    const D3DXVECTOR3 position = inwards * -radius + D3DXVECTOR3(0.0f, 1.0f, 0.0f);
    D3DXMATRIX centre;
    D3DXMatrixTranslation(&centre, -width * 0.5f, -0.35f, 0.0f);
    D3DXMATRIX scale;
    D3DXMatrixScaling(&scale, height, height, height);
    const D3DXMATRIX turn(along.x, along.y, along.z, 0.0f, inwards.x, inwards.y, inwards.z, 0.0f, down.x, down.y,
                          down.z, 0.0f, position.x, position.y, position.z, 1.0f);
    return centre * scale * turn;
}

DegreeMark::DegreeMark(gfx::GraphicsDevice& device, const String& text, const D3DXMATRIX& placement)
    : Text3d(device, text), placement_(placement) {}

void DegreeMark::render() {
    setMaterialOnDevice();
    applyRenderstates(device());
    device().setTransform(gfx::TransformKind::World, placement_);
    for (int c = 0; c < chunkCount(); ++c) drawChunk(chunk(c));
}

ViewObjects::ViewObjects(gfx::GraphicsDevice& device, const String& applicationDirectory)
    : device_(device), folder_(applicationDirectory) {
    if (folder_.length() > 0 && folder_.text()[folder_.length() - 1] != '/') folder_.append('/');
    makeFloor(20);
    makeCube();

    gfx::Material markMaterial;
    markMaterial.diffuse = gfx::ColourValue{0.62f, 0.64f, 0.70f, 1.0f};
    for (int k = 0; k < kMarkCount; ++k) {
        const int yaw = k * 45;
        String text;
        text.append(yaw);
        // Measure first, then lay the text centred on its place.
        Text3d measure(device_, text);
        const float width = textWidth(measure);
        auto mark = std::make_unique<DegreeMark>(device_, text,
                                                 degreeMarkPlacement(static_cast<float>(yaw), kMarkRadius, kMarkHeight, width));
        mark->setMaterial(markMaterial);
        mark->rsLightEnabled().enabled = false;
        marks_.push_back(std::move(mark));
    }
}

ViewObjects::~ViewObjects() = default;

void ViewObjects::makeFloor(int tiles) {
    tiles = std::clamp(tiles, 1, 1024);
    if (floor_ && tiles == tiles_) return;
    tiles_ = tiles;
    floor_ = std::make_unique<LineList>(device_);
    prepareGrid(*floor_, kFloorOpacity);
    const float side = 2.0f * kWorkingSpaceHalf;
    std::vector<D3DXVECTOR3> points;
    appendGrid(points, D3DXVECTOR3(-kWorkingSpaceHalf, 0.0f, -kWorkingSpaceHalf), D3DXVECTOR3(side, 0.0f, 0.0f),
               D3DXVECTOR3(0.0f, 0.0f, side), tiles);
    floor_->addLineSet(points);
}

void ViewObjects::makeCube() {
    cube_ = std::make_unique<LineList>(device_);
    prepareGrid(*cube_, kCubeOpacity);
    const float h = kWorkingSpaceHalf;
    const float side = 2.0f * h;
    const D3DXVECTOR3 x(side, 0.0f, 0.0f);
    const D3DXVECTOR3 y(0.0f, side, 0.0f);
    const D3DXVECTOR3 z(0.0f, 0.0f, side);
    std::vector<D3DXVECTOR3> points;
    for (float at : {-h, h}) {
        appendGrid(points, D3DXVECTOR3(at, -h, -h), y, z, kCubeCells);
        appendGrid(points, D3DXVECTOR3(-h, at, -h), x, z, kCubeCells);
        appendGrid(points, D3DXVECTOR3(-h, -h, at), x, y, kCubeCells);
    }
    cube_->addLineSet(points);
}

void ViewObjects::applySettings(const Settings& settings) {
    makeFloor(settings.planenrtiles);
    plane_ = settings.renderplane;
    showCube_ = settings.rendercube;
    degrees_ = settings.renderdegs;
    coordinateSystem_ = settings.viewcoordinatesystem;
}

void ViewObjects::setLight(float angle, float angleHeight) {
    lightAngle_ = std::isfinite(angle) ? angle : 0.0f;
    lightAngleHeight_ = std::isfinite(angleHeight) ? angleHeight : 0.0f;
}

void ViewObjects::applyLight(gfx::GraphicsDevice& device) const {
    gfx::DirectionalLight light;
    light.diffuse = gfx::ColourValue{1.0f, 1.0f, 1.0f, 1.0f};
    light.ambient = gfx::ColourValue{0.35f, 0.35f, 0.35f, 1.0f};
    light.direction = lightDirection();
    device.setLight(light);
    device.enableLight(true);
}

void ViewObjects::drawGround() {
    device_.setLineWidth(1.0f);
    setBlending(device_);
    if (plane_ && floor_) floor_->render();
    if (!degrees_) return;
    for (const auto& mark : marks_) mark->render();
}

void ViewObjects::drawCube() {
    if (!showCube_ || !cube_) return;
    device_.setLineWidth(1.0f);
    setBlending(device_);
    cube_->render();
}

XFileMesh& ViewObjects::model(const char* file) {
    for (auto& [name, mesh] : models_)
        if (name == file) return *mesh;
    String folder = folder_;
    folder.append(String("data/xfiles/"));
    models_.emplace_back(file, std::make_unique<XFileMesh>(device_, folder, String(file)));
    return *models_.back().second;
}

void ViewObjects::drawLightArrow(const D3DXVECTOR3& origin, float size) {
    XFileMesh& arrow = model("arrow.x");
    place(arrow, origin - lightDirection() * size, rotationTowards(lightDirection()), size);
    arrow.render();
}

void ViewObjects::drawMarkers(const MarkerPose& pose) {
    const ClippingPlacement& p = pose.placement;
    const D3DXVECTOR3 turned = nodeRotationOfAngles(p.angle, p.angleheight, p.angleimage);
    auto draw = [&](const char* file, const D3DXVECTOR3& rotation, float scale = 1.0f) {
        XFileMesh& mesh = model(file);
        place(mesh, p.translation, rotation, pose.size * scale);
        mesh.render();
    };
    draw("sphere.x", turned);
    switch (pose.rubric) {
    case PlacementRubric::Translation:
        draw("arrowtranslationz.x", turned);
        draw("arrowtranslationy.x", turned);
        draw("arrowtranslationx.x", turned);
        break;
    case PlacementRubric::Scaling: {
        const bool shrinking = pose.shrinking;
        draw(pose.active[0] && shrinking ? "scalingsmaller.x" : "scalinggreen.x", turned);
        draw(pose.active[1] && shrinking ? "scaling2smaller.x" : "scalinggreen2.x", turned);
        draw(pose.active[2] && shrinking ? "scaling3smaller.x" : "scalinggreen3.x", turned);
        break;
    }
    case PlacementRubric::Rotation: {
        // The yaw ring turns about the vertical, the pitch ring about the
        // yawed horizontal axis, the roll ring about the viewing axis.
        draw(pose.active[0] ? "arrowrotationred.x" : "arrowrotationgreen.x",
             nodeRotationOfAngles(p.angle, 0.0f, 0.0f));
        D3DXVECTOR3 pitchRing = nodeRotationOfAngles(p.angle, 0.0f, 0.0f);
        pitchRing.y = kPi / 2.0f;
        draw(pose.active[1] ? "arrowrotationred.x" : "arrowrotationgreen.x", pitchRing, 0.85f);
        draw(pose.active[2] ? "arrowimagerotationred.x" : "arrowimagerotationgreen.x", turned);
        break;
    }
    case PlacementRubric::FieldOfView: {
        ClippingProjection projection;
        projection.prepare(p, PictureFrame{1.0f, 1.0f, {}, {}}, GridBox{});
        draw("arrow.x", rotationTowards(projection.viewingDirection()), 1.2f);
        break;
    }
    }
}

std::array<D3DXVECTOR2, 3> ViewObjects::drawCoordinateSystem(DxRenderer& renderer, const Camera& camera, int width,
                                                             int height) {
    std::array<D3DXVECTOR2, 3> tips{};
    if (!coordinateSystem_ || width <= 0 || height <= 0) return tips;
    D3DVIEWPORT9 viewport;
    viewport.Width = static_cast<uint32_t>(width);
    viewport.Height = static_cast<uint32_t>(height);
    const D3DXMATRIX view = camera.viewMatrix();
    const D3DXMATRIX& projection = renderer.projection();
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    const float x = static_cast<float>(width) - kCoordinateSystemInset;
    const float y = static_cast<float>(height) - kCoordinateSystemInset;
    D3DXVECTOR3 nearPoint;
    D3DXVECTOR3 farPoint;
    const D3DXVECTOR3 nearScreen(x, y, 0.0f);
    const D3DXVECTOR3 farScreen(x, y, 1.0f);
    if (D3DXVec3Unproject(&nearPoint, &nearScreen, &viewport, &projection, &view, &identity) == nullptr ||
        D3DXVec3Unproject(&farPoint, &farScreen, &viewport, &projection, &view, &identity) == nullptr)
        return tips;
    D3DXVECTOR3 ray = farPoint - nearPoint;
    D3DXVec3Normalize(&ray, &ray);
    const float along = std::max(D3DXVec3Dot(&ray, &camera.viewDirection()), 1e-3f);
    const D3DXVECTOR3 centre = camera.position() + ray * (kCoordinateSystemDepth / along);
    const float pixel = 2.0f * kCoordinateSystemDepth / (projection._22 * static_cast<float>(height));
    const float size = kCoordinateSystemPixels * pixel;
    renderer.clearDepth();
    const char* files[3] = {"arrowtranslationx.x", "arrowtranslationy.x", "arrowtranslationz.x"};
    const D3DXVECTOR3 axes[3] = {D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 1, 0), D3DXVECTOR3(0, 0, 1)};
    for (int axis = 0; axis < 3; ++axis) {
        XFileMesh& arrow = model(files[axis]);
        place(arrow, centre, D3DXVECTOR3(0.0f, 0.0f, 0.0f), size);
        arrow.render();
        D3DXVECTOR3 tip;
        const D3DXVECTOR3 end = centre + axes[axis] * (size * 1.2f);
        D3DXVec3Project(&tip, &end, &viewport, &projection, &view, &identity);
        tips[static_cast<size_t>(axis)] = D3DXVECTOR2(tip.x, tip.y);
    }
    return tips;
}
