// Scene nodes: transform rules and the world matrix, rotation clamping, the
// parent rule, render states applied in registration order, containers,
// observers and collecting into the render list.
#include "render/scene/component.h"
#include "render/scene/container.h"
#include "render/scene/mesh.h"

#include "core/logger.h"
#include "platform/null_device.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr float kTolerance = 1e-5f;
const float kHalfTurn = static_cast<float>(std::numbers::pi / 2.0);

// A null device that also records the order of render-state changes.
class StateRecorder final : public gfx::GraphicsDevice {
public:
    gfx::NullDevice inner{64, 64};
    std::vector<gfx::RenderState> states;

    gfx::DeviceCaps caps() const override { return inner.caps(); }
    int backBufferWidth() const override { return 64; }
    int backBufferHeight() const override { return 64; }
    bool isLost() const override { return false; }
    bool reset(int w, int h) override { return inner.reset(w, h); }
    void simulateLoss(int failures) override { inner.simulateLoss(failures); }
    gfx::TextureHandle createTexture(int w, int h, const unsigned char* rgba) override {
        return inner.createTexture(w, h, rgba);
    }
    bool updateTexture(gfx::TextureHandle t, int x, int y, int w, int h, const unsigned char* p) override {
        return inner.updateTexture(t, x, y, w, h, p);
    }
    void destroyTexture(gfx::TextureHandle t) override { inner.destroyTexture(t); }
    void setTexture(gfx::TextureHandle t) override { inner.setTexture(t); }
    void setTextureFilter(gfx::TextureFilter a, gfx::TextureFilter b) override { inner.setTextureFilter(a, b); }
    gfx::BufferHandle createVertexBuffer(const void* b, size_t n) override { return inner.createVertexBuffer(b, n); }
    gfx::BufferHandle createIndexBuffer(const uint16_t* i, size_t n) override { return inner.createIndexBuffer(i, n); }
    void destroyBuffer(gfx::BufferHandle b) override { inner.destroyBuffer(b); }
    void drawIndexed(gfx::Primitive p, uint32_t f, gfx::BufferHandle v, int vc, gfx::BufferHandle i, int ic) override {
        inner.drawIndexed(p, f, v, vc, i, ic);
    }
    void draw(gfx::Primitive p, uint32_t f, gfx::BufferHandle v, int vc) override { inner.draw(p, f, v, vc); }
    void drawUser(gfx::Primitive p, uint32_t f, const void* v, int vc, const uint16_t* i, int ic) override {
        inner.drawUser(p, f, v, vc, i, ic);
    }
    void setTransform(gfx::TransformKind k, const D3DXMATRIX& m) override { inner.setTransform(k, m); }
    D3DXMATRIX transform(gfx::TransformKind k) const override { return inner.transform(k); }
    void setRenderState(gfx::RenderState s, uint32_t v) override {
        states.push_back(s);
        inner.setRenderState(s, v);
    }
    uint32_t renderState(gfx::RenderState s) const override { return inner.renderState(s); }
    void setMaterial(const gfx::Material& m) override { inner.setMaterial(m); }
    void setLight(const gfx::DirectionalLight& l) override { inner.setLight(l); }
    void enableLight(bool e) override { inner.enableLight(e); }
    void setLineWidth(float w) override { inner.setLineWidth(w); }
    void beginScene() override { inner.beginScene(); }
    void endScene() override { inner.endScene(); }
    void clear(uint32_t f, uint32_t c, float d, int s) override { inner.clear(f, c, d, s); }
    bool present() override { return inner.present(); }
    bool readBackBuffer(std::vector<unsigned char>& p, int& w, int& h) override { return inner.readBackBuffer(p, w, h); }
};

struct RecordingObserver : SceneObserver {
    int transformCalls = 0;
    Transform lastWorld;
    std::vector<SceneObserver*> attached;
    bool hidden = false;

    void transformChanged(const Transform& world) override {
        ++transformCalls;
        lastWorld = world;
    }
    void childAttached(SceneObserver* child) override { attached.push_back(child); }
    bool isHidden() const override { return hidden; }
};

// A drawable entry that counts how often it is drawn.
struct CountingDrawable : Drawable {
    int* draws;
    explicit CountingDrawable(int* counter) : draws(counter) {}
    void draw() override { ++*draws; }
};

D3DXVECTOR3 transformPoint(const D3DXMATRIX& m, D3DXVECTOR3 p) {
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &p, &m);
    return out;
}

void expectNear(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected) {
    EXPECT_NEAR(actual.x, expected.x, kTolerance);
    EXPECT_NEAR(actual.y, expected.y, kTolerance);
    EXPECT_NEAR(actual.z, expected.z, kTolerance);
}

}  // namespace

TEST(SceneTransform, SetRotationClampsEachComponentIntoOneTurn) {
    Component node;
    node.setRotation({-0.1f, 7.0f, 1.5f});
    EXPECT_EQ(node.localTransform().rotation.x, 0.0f);
    EXPECT_FLOAT_EQ(node.localTransform().rotation.y, kFullTurn);
    EXPECT_FLOAT_EQ(node.localTransform().rotation.z, 1.5f);
    EXPECT_EQ(node.worldTransform().rotation, node.localTransform().rotation);

    node.setRotation({std::nanf(""), 0.0f, 0.0f});
    EXPECT_EQ(node.localTransform().rotation.x, 0.0f);
}

TEST(SceneTransform, ChildWorldAddsTranslationRotationAndRotationIntoScaling) {
    Container parent;
    parent.setTranslation({1, 2, 3});
    parent.setRotation({0.5f, 0.25f, 0.0f});
    parent.setScaling({2, 2, 2});
    Component* child = parent.addChild(std::make_unique<Component>());
    child->setTranslation({1, 0, 0});
    child->setScaling({5, 5, 5});
    child->setRotation({0.1f, 0.2f, 0.3f});

    const Transform& world = child->worldTransform();
    expectNear(world.translation, {2, 2, 3});
    expectNear(world.rotation, {0.6f, 0.45f, 0.3f});
    expectNear(world.scaling, {2.1f, 2.2f, 2.3f});

    // The sum is clamped as well, and the parent's update reaches the child.
    parent.setRotation({6.2f, 0.0f, 0.0f});
    EXPECT_FLOAT_EQ(child->worldTransform().rotation.x, kFullTurn);
    expectNear(child->worldTransform().translation, {2, 2, 3});
}

TEST(SceneTransform, WorldMatrixScalesThenTurnsAboutXZYThenTranslates) {
    Transform world;
    world.translation = {1, 2, 3};
    world.scaling = {2, 3, 4};
    world.rotation = {kHalfTurn, 0, 0};  // about Y
    // (1,0,0) scaled to (2,0,0), a quarter turn about Y gives (0,0,-2).
    expectNear(transformPoint(worldMatrix(world), {1, 0, 0}), {1, 2, 1});

    world = Transform{};
    world.rotation = {kHalfTurn, kHalfTurn, 0};  // about Y and about X
    // About X first: (0,1,0) -> (0,0,1); then about Y: -> (1,0,0).
    expectNear(transformPoint(worldMatrix(world), {0, 1, 0}), {1, 0, 0});

    world.rotation = {0, kHalfTurn, kHalfTurn};  // about X, then about Z
    // About X leaves (1,0,0); about Z turns it to (0,1,0).
    expectNear(transformPoint(worldMatrix(world), {1, 0, 0}), {0, 1, 0});
}

TEST(SceneNode, SecondParentIsRefusedAndLogged) {
    testsupport::TempDir dir;
    Logger& log = Logger::instance();
    ASSERT_TRUE(log.openIn(String(dir.path().c_str())));
    Component first, second, node;
    node.setParent(&first);
    node.setParent(&second);
    EXPECT_EQ(node.parent(), &first);
    const std::string text = testsupport::readText(dir.file("log.log"));
    EXPECT_NE(text.find("Component::setParent"), std::string::npos);
    EXPECT_NE(text.find("Parent already set!"), std::string::npos);
}

TEST(SceneNode, RenderStatesHaveTheirDefaultsAndApplyInRegistrationOrder) {
    Component node;
    ASSERT_EQ(node.renderstates().size(), static_cast<size_t>(kRenderstateTypeCount));
    EXPECT_TRUE(node.rsLightEnabled().enabled);
    EXPECT_EQ(node.rsCull().mode, 2);
    EXPECT_EQ(node.rsFillmode().mode, 2);
    EXPECT_TRUE(node.rsBuffer().depthTest);
    EXPECT_FALSE(node.rsAlpha().blending);

    StateRecorder device;
    node.applyRenderstates(device);
    using gfx::RenderState;
    const std::vector<RenderState> expected = {
        RenderState::AlphaBlendEnable, RenderState::AlphaTestEnable, RenderState::Ambient,
        RenderState::ZEnable,          RenderState::ZWriteEnable,    RenderState::ZFunc,
        RenderState::CullMode,         RenderState::DitherEnable,    RenderState::FillMode,
        RenderState::FogEnable,        RenderState::Lighting,
    };
    EXPECT_EQ(device.states, expected);
    EXPECT_EQ(device.renderState(RenderState::CullMode), gfx::kCullCounterClockwise);
    EXPECT_EQ(device.renderState(RenderState::Lighting), 1u);
}

TEST(SceneNode, WireframeAndEnablingReachEveryChild) {
    Container root;
    auto* inner = static_cast<Container*>(root.addChild(std::make_unique<Container>()));
    Component* leaf = inner->addChild(std::make_unique<Component>());
    root.setWireframe(true);
    EXPECT_EQ(leaf->rsFillmode().mode, 1);
    root.setWireframe(false);
    EXPECT_EQ(leaf->rsFillmode().mode, 2);
    root.setEnabled(false);
    EXPECT_FALSE(leaf->isEnabled());
}

TEST(SceneContainer, ObserversHearTransformsAndAttachedChildren) {
    RecordingObserver parentObserver, childObserver;
    Container parent;
    parent.setObserver(&parentObserver);
    auto child = std::make_unique<Component>();
    child->setObserver(&childObserver);
    Component* added = parent.addChild(std::move(child));
    EXPECT_EQ(added->parent(), &parent);
    ASSERT_EQ(parentObserver.attached.size(), 1u);
    EXPECT_EQ(parentObserver.attached[0], &childObserver);

    // A child without an observer is not announced.
    parent.addChild(std::make_unique<Component>());
    EXPECT_EQ(parentObserver.attached.size(), 1u);

    childObserver.transformCalls = 0;
    parent.setTranslation({4, 5, 6});
    EXPECT_EQ(parentObserver.lastWorld.translation, D3DXVECTOR3(4, 5, 6));
    EXPECT_EQ(childObserver.transformCalls, 1);
    EXPECT_EQ(childObserver.lastWorld.translation, D3DXVECTOR3(4, 5, 6));
}

TEST(SceneContainer, RemovedChildMovesLaterOnesDownAndLeavesWithoutParent) {
    Container parent;
    Component* a = parent.addChild(std::make_unique<Component>());
    Component* b = parent.addChild(std::make_unique<Component>());
    Component* c = parent.addChild(std::make_unique<Component>());
    std::unique_ptr<Component> removed = parent.removeChild(1);
    ASSERT_EQ(removed.get(), b);
    EXPECT_EQ(removed->parent(), nullptr);
    EXPECT_EQ(parent.childCount(), 2);
    EXPECT_EQ(parent.child(0), a);
    EXPECT_EQ(parent.child(1), c);
    EXPECT_EQ(parent.removeChild(5), nullptr);
    // It can join another container.
    Container other;
    other.addChild(std::move(removed));
    EXPECT_EQ(other.child(0)->parent(), &other);
}

TEST(SceneCollect, DisabledOrHiddenSubtreesAreLeftOut) {
    auto device = gfx::createNullDevice(32, 32);
    int rootDraws = 0;
    Container root;
    root.addDrawable(std::make_unique<CountingDrawable>(&rootDraws));
    auto* group = static_cast<Container*>(root.addChild(std::make_unique<Container>()));
    Mesh* first = static_cast<Mesh*>(group->addChild(std::make_unique<Mesh>(*device)));
    Mesh* second = static_cast<Mesh*>(root.addChild(std::make_unique<Mesh>(*device)));

    RenderList list;
    root.collect(nullptr, list);
    ASSERT_EQ(list.size(), 3);
    list.drawAll();
    EXPECT_EQ(rootDraws, 1);

    RecordingObserver observer;
    observer.hidden = true;
    group->setObserver(&observer);
    list.clear();
    root.collect(nullptr, list);
    EXPECT_EQ(list.size(), 2);  // the group and its mesh are hidden

    group->setHideable(false);  // the observer's answer no longer counts
    list.clear();
    root.collect(nullptr, list);
    EXPECT_EQ(list.size(), 3);

    second->setEnabled(false);
    first->setEnabled(false);
    list.clear();
    root.collect(nullptr, list);
    EXPECT_EQ(list.size(), 1);

    root.setEnabled(false);
    list.clear();
    root.collect(nullptr, list);
    EXPECT_EQ(list.size(), 0);
}
