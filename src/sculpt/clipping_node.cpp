#include "sculpt/clipping_node.h"

#include "image/image_entry.h"
#include "render/texture.h"
#include "sculpt/clipping.h"

#include <algorithm>
#include <cmath>

namespace {

int clampByte(float value) {
    if (!std::isfinite(value)) return 0;
    return static_cast<int>(std::clamp(value, 0.0f, 255.0f));
}

uint32_t whiteWithAlpha(float opacity) {
    const auto alpha = static_cast<uint32_t>(std::clamp(opacity, 0.0f, 1.0f) * 255.0f + 0.5f);
    return (alpha << 24) | 0x00FFFFFFu;
}

RgbView viewOf(const Image& image) {
    RgbView view;
    view.pixels = image.bytes();
    view.width = image.isValid() ? image.width() : 0;
    view.height = image.isValid() ? image.height() : 0;
    return view;
}

}  // namespace

ClippingLook clippingLookOf(const Settings& settings) {
    ClippingLook look;
    const float quality = std::isfinite(settings.sidequality) ? settings.sidequality : 1.0f;
    look.sideQuality = static_cast<int>(std::clamp(quality, 1.0f, 200.0f));
    look.sideTransparency = clampByte(settings.sidetransparency);
    look.maskTransparency = clampByte(settings.frontalpha);
    look.backgroundTransparency = clampByte(settings.frontbackgroundalpha);
    look.addingColour = settings.linescolor;
    look.removingColour = settings.linescolorremove;
    return look;
}

std::vector<unsigned char> frontTexels(const Image& picture, const Image& mask, int maskTransparency,
                                       int backgroundTransparency) {
    const int width = picture.isValid() ? picture.width() : 0;
    const int height = picture.isValid() ? picture.height() : 0;
    const auto onMask = static_cast<unsigned char>(255 - std::clamp(maskTransparency, 0, 255));
    const auto offMask = static_cast<unsigned char>(255 - std::clamp(backgroundTransparency, 0, 255));
    std::vector<unsigned char> texels(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    const unsigned char* pixels = picture.bytes();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const size_t at = static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
            texels[at * 4] = pixels[at * 3];
            texels[at * 4 + 1] = pixels[at * 3 + 1];
            texels[at * 4 + 2] = pixels[at * 3 + 2];
            texels[at * 4 + 3] = mask.isSet(x, y) ? onMask : offMask;
        }
    }
    return texels;
}

int ClippingNode::classType() {
    static const int type = registerSceneClass();
    return type;
}

ClippingNode::ClippingNode(gfx::GraphicsDevice& device, Clipping& clipping, const ClippingLook& look)
    : Container(classType()), device_(device), clipping_(clipping), look_(look) {
    side_ = static_cast<ClippingSide*>(addChild(std::make_unique<ClippingSide>(device)));
    back_ = static_cast<ClippingBack*>(addChild(std::make_unique<ClippingBack>(device)));
    layer_ = static_cast<ClippingLayer*>(addChild(std::make_unique<ClippingLayer>(device)));
    front_ = static_cast<ClippingFront*>(addChild(std::make_unique<ClippingFront>(device)));
    border_ = static_cast<ClippingBorder*>(addChild(std::make_unique<ClippingBorder>(device)));
    collisionLines_ = static_cast<LineList*>(addChild(std::make_unique<LineList>(device)));
    collisionLines_->rsLightEnabled().enabled = false;
    rebuild();
}

ClippingNode::~ClippingNode() = default;

void ClippingNode::setEnabled(bool enabled) { Component::setEnabled(enabled); }

D3DXVECTOR3 ClippingNode::toWorld(const D3DXVECTOR3& model) const {
    const D3DXMATRIX matrix = worldMatrix(worldTransform());
    D3DXVECTOR3 world;
    D3DXVec3TransformCoord(&world, &model, &matrix);
    return world;
}

void ClippingNode::followPlacement() {
    const Transform transform = nodeTransformOf(clipping_.placement());
    setTranslation(transform.translation);
    setRotation(transform.rotation);
    setScaling(transform.scaling);
}

void ClippingNode::rebuild() {
    ++revision_;
    field_.build(clipping_.grid(), FieldReach::NearSilhouette);
    buildFrontTexture();
    // The decals show the old picture until the collisions are refreshed:
    // they go with it.
    layer_->clearTextures();
    layer_->setQuads({}, {});
    pictureTexture_.reset();
    buildGeometry();
    applyColours();
    followPlacement();
}

void ClippingNode::placementChanged() {
    followPlacement();
    if (!(ClippingModelFrame::of(clipping_) == frame_)) buildGeometry();
}

void ClippingNode::flagsChanged() { applyColours(); }

void ClippingNode::setLook(const ClippingLook& look) {
    const ClippingLook old = look_;
    look_ = look;
    if (look.sideQuality != old.sideQuality) buildGeometry();
    if (look.maskTransparency != old.maskTransparency || look.backgroundTransparency != old.backgroundTransparency) {
        buildFrontTexture();
        buildPictureQuads();
    }
    applyColours();
}

void ClippingNode::applyColours() {
    const ColourBytes& colour = clipping_.flags().addingvoxels ? look_.addingColour : look_.removingColour;
    border_->setColour(colour.red, colour.green, colour.blue);
    // Walls overlap many times over: each lets most of what is behind show.
    const int opacity = 255 - std::clamp(look_.sideTransparency, 0, 255);
    side_->setColour(colour.red, colour.green, colour.blue, static_cast<int>(opacity * kWallShare));
}

void ClippingNode::buildFrontTexture() {
    const ImageEntry& entry = clipping_.entry();
    const Image& picture = entry.workingCopy;
    front_->clearTextures();
    back_->clearTextures();
    if (!picture.isValid()) {
        frontTexture_.reset();
        return;
    }
    const std::vector<unsigned char> texels =
        frontTexels(picture, entry.mask, look_.maskTransparency, look_.backgroundTransparency);
    frontTexture_ = std::make_unique<Texture>(device_, picture.width(), picture.height(), texels.data());
    front_->addTexture(frontTexture_.get());
    back_->addTexture(frontTexture_.get());
}

Texture* ClippingNode::pictureTexture() {
    if (!pictureTexture_) {
        const Image& picture = clipping_.entry().workingCopy;
        if (!picture.isValid()) return nullptr;
        pictureTexture_ = std::make_unique<Texture>(device_, viewOf(picture));
    }
    return pictureTexture_.get();
}

void ClippingNode::buildPictureQuads() {
    const Image& picture = clipping_.entry().workingCopy;
    const int width = picture.isValid() ? picture.width() : Image::kCanvasSide;
    const int height = picture.isValid() ? picture.height() : Image::kCanvasSide;
    const bool wholePicture = look_.backgroundTransparency < 255;
    const PictureRect rect = shownPictureRect(frame_, clipping_.grid().boundingBox(), wholePicture);
    std::vector<VertexPNCT> vertices;
    std::vector<uint16_t> indices;
    appendPictureQuad(frame_, rect, 0.0f, whiteWithAlpha(1.0f), width, height, vertices, indices);
    front_->setQuad(vertices, indices);
    vertices.clear();
    indices.clear();
    appendPictureQuad(frame_, rect, 1.0f, whiteWithAlpha(kBackOpacity), width, height, vertices, indices);
    back_->setQuad(vertices, indices);
}

void ClippingNode::buildGeometry() {
    frame_ = ClippingModelFrame::of(clipping_);
    samples_.clear();
    pickMeshes_.clear();
    const Border* outline = clipping_.entry().border.get();
    if (outline != nullptr) {
        samples_ = sampleOutline(*outline, look_.sideQuality);
        for (std::vector<OutlineSample>& chain : samples_) chain = simplifiedChain(chain, kWallTolerance);
    }
    side_->setWalls(buildSideWalls(samples_, frame_));
    border_->setLines(buildOutlineLines(samples_, frame_));
    buildPictureQuads();

    // Picking: the picture where the silhouette's box lies, at both faces,
    // and coarser walls.
    const PictureRect box = shownPictureRect(frame_, clipping_.grid().boundingBox(), false);
    for (float s : {0.0f, 1.0f}) {
        std::vector<VertexPNCT> vertices;
        std::vector<uint16_t> indices;
        appendPictureQuad(frame_, box, s, 0xFFFFFFFF, 1, 1, vertices, indices);
        PickMesh mesh;
        if (buildPickMesh(vertices.data(), sizeof(VertexPNCT), static_cast<int>(vertices.size()), indices, mesh) ==
            PickMeshError::None)
            pickMeshes_.push_back(std::move(mesh));
    }
    if (outline != nullptr) {
        for (const SidePiece& piece : buildSideWalls(sampleOutline(*outline, kPickQuality), frame_)) {
            PickMesh mesh;
            if (buildPickMesh(piece.vertices.data(), sizeof(VertexPN), static_cast<int>(piece.vertices.size()),
                              piece.indices, mesh) == PickMeshError::None)
                pickMeshes_.push_back(std::move(mesh));
        }
    }
}

bool ClippingNode::pick(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, float& distance) const {
    if (!isEnabled()) return false;
    const D3DXMATRIX matrix = worldMatrix(worldTransform());
    D3DXMATRIX inverse;
    if (D3DXMatrixInverse(&inverse, nullptr, &matrix) == nullptr) return false;
    D3DXVECTOR3 modelOrigin;
    D3DXVECTOR3 modelDirection;
    D3DXVec3TransformCoord(&modelOrigin, &origin, &inverse);
    D3DXVec3TransformNormal(&modelDirection, &direction, &inverse);
    bool found = false;
    float nearest = 0.0f;
    for (const PickMesh& mesh : pickMeshes_) {
        if (!rayHitsBox(mesh, modelOrigin, modelDirection)) continue;
        intersectAll(mesh, modelOrigin, modelDirection, [&](float hit) {
            if (!found || hit < nearest) nearest = hit;
            found = true;
        });
    }
    if (found) distance = nearest;
    return found;
}
