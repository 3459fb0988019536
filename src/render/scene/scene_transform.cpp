#include "render/scene/scene_transform.h"

#include <algorithm>
#include <cmath>

namespace {

float clampAngle(float angle) {
    if (std::isnan(angle)) return 0.0f;
    return std::clamp(angle, 0.0f, kFullTurn);
}

}  // namespace

D3DXVECTOR3 clampRotation(const D3DXVECTOR3& rotation) {
    return {clampAngle(rotation.x), clampAngle(rotation.y), clampAngle(rotation.z)};
}

D3DXMATRIX worldMatrix(const Transform& world) {
    D3DXMATRIX scaling, aboutX, aboutY, aboutZ, translation;
    D3DXMatrixScaling(&scaling, world.scaling.x, world.scaling.y, world.scaling.z);
    D3DXMatrixRotationY(&aboutY, world.rotation.x);
    D3DXMatrixRotationX(&aboutX, world.rotation.y);
    D3DXMatrixRotationZ(&aboutZ, world.rotation.z);
    D3DXMatrixTranslation(&translation, world.translation.x, world.translation.y, world.translation.z);
    const D3DXMATRIX rotation = aboutX * aboutZ * aboutY;
    return scaling * rotation * translation;
}
