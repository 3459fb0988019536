#include "sculpt/clipping.h"

#include "image/image_entry.h"
#include "sculpt/clipping_frame.h"

Clipping::Clipping(ImageEntry& entry) : entry_(entry) { update(); }

Clipping::~Clipping() {
    Border* border = entry_.border.get();
    if (border != nullptr && border->owner() == this) {
        border->setOwner(nullptr);
    }
}

// --- changes -----------------------------------------------------------------------------

Border* Clipping::linkBorder() {
    Border* border = entry_.border.get();
    if (border != nullptr) {
        border->setOwner(this);
    }
    return border;
}

bool Clipping::isOutOfDate() const {
    const Border* border = entry_.border.get();
    return outOfDate_ || (border != nullptr && (border->isChangedFor2D() || border->isChangedFor3D()));
}

bool Clipping::updateIfOutOfDate() {
    if (!isOutOfDate()) return false;
    update();
    return true;
}

void Clipping::update() {
    outOfDate_ = false;
    Border* border = linkBorder();
    if (border != nullptr && border->isChangedFor2D()) {
        border->update();
    }
    OutlineInsideTest insideOutline;
    if (border != nullptr) {
        insideOutline = [border](float x, float y) { return border->isInsideOutline(x, y); };
    }
    grid_.build(entry_.mask, insideOutline);
    if (border != nullptr) {
        border->clearChangedFor3D();
    }
    updateSnapPoint();
    prepareProjection();
}

void Clipping::updateSnapPoint() {
    const Image& image = entry_.workingCopy;
    snapPoint_ = D3DXVECTOR2(static_cast<float>(Image::kCanvasSide - image.marginRight) - image.snapPoint.x,
                             static_cast<float>(Image::kCanvasSide - image.marginBottom) - image.snapPoint.y);
}

// --- placement ----------------------------------------------------------------------------

void Clipping::setPlacement(const ClippingPlacement& placement) {
    if (placement.imagePlane != placement_.imagePlane) {
        previousImagePlane_ = placement_.imagePlane;
    }
    placement_ = placement;
    placementChanged();
}

void Clipping::setTranslation(const D3DXVECTOR3& translation) {
    placement_.translation = translation;
    placementChanged();
}

void Clipping::setRotation(const D3DXVECTOR3& rotation) {
    placement_.rotation = rotation;
    placementChanged();
}

void Clipping::setScaling(const D3DXVECTOR3& scaling) {
    placement_.scaling = scaling;
    placementChanged();
}

void Clipping::setAngles(float angle, float angleheight, float angleimage) {
    placement_.angle = angle;
    placement_.angleheight = angleheight;
    placement_.angleimage = angleimage;
    placementChanged();
}

void Clipping::setFov(bool set, float x, float y) {
    placement_.fovSet = set;
    placement_.fovX = x;
    placement_.fovY = y;
    placementChanged();
}

void Clipping::setImagePlane(float position) {
    previousImagePlane_ = placement_.imagePlane;
    placement_.imagePlane = position;
    placementChanged();
}

void Clipping::holdImagePlaneInMiddle() {
    depth_ = placement_.imagePlane;
    setImagePlane(0.5f);
}

void Clipping::restoreImagePlane() { setImagePlane(depth_); }

// --- flags ----------------------------------------------------------------------------------

void Clipping::setFlags(const ClippingFlags& flags) {
    const bool addingChanged = flags.addingvoxels != flags_.addingvoxels;
    flags_ = flags;
    if (addingChanged && entry_.border != nullptr) {
        entry_.border->rebuild();
        update();
    }
}

bool Clipping::isReadyForSculpting() const {
    return flags_.enabled && flags_.forsculpting && hasSilhouette() && projection().isUsable();
}

// --- projection -----------------------------------------------------------------------------

PictureFrame Clipping::pictureFrame() const { return pictureFrameOf(entry_); }

bool Clipping::prepareProjection() const {
    needsPreparation_ = false;
    return projection_.prepare(placement_, pictureFrame(), grid_.boundingBox());
}

const ClippingProjection& Clipping::projection() const {
    if (needsPreparation_) {
        prepareProjection();
    }
    return projection_;
}

std::optional<ClipPoint> Clipping::projectPoint(const D3DXVECTOR3& point) const {
    return projection().projectPoint(point);
}

std::optional<D3DXVECTOR3> Clipping::unprojectPoint(const ClipPoint& point) const {
    return projection().unprojectPoint(point);
}

bool Clipping::isPointInside(const D3DXVECTOR3& point) const { return projection().isPointInside(point, grid_); }

int Clipping::classifyCell(const D3DXVECTOR3& centre, float radius) const {
    return projection().classifyCell(centre, radius, grid_);
}

D3DXVECTOR3 Clipping::localOffset(const D3DXVECTOR3& point) const { return projection().localOffset(point); }

D3DXVECTOR3 Clipping::localOffsetWithPictureOffsets(const D3DXVECTOR3& point) const {
    return projection().localOffsetWithPictureOffsets(point);
}

D3DXVECTOR3 Clipping::worldAxis(int axis) const { return projection().worldAxis(axis); }

