// The transform record every scene node keeps twice (local and world), the
// rotation clamp and the world matrix built from a record.
#pragma once

#include "core/math3d.h"

// Translation, rotation (radians) and scaling of a scene node.
struct Transform {
    D3DXVECTOR3 translation{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 rotation{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 scaling{1.0f, 1.0f, 1.0f};

    bool operator==(const Transform&) const = default;
};

// Upper bound of a stored rotation component: 2π (π = 4·atan(1)).
inline constexpr float kFullTurn = static_cast<float>(2.0 * std::numbers::pi);

// Each component clamped into [0, 2π]; a component that is not a number
// becomes 0.
D3DXVECTOR3 clampRotation(const D3DXVECTOR3& rotation);

// The drawing matrix of a world record: scaling × (rotation about X ×
// rotation about Z × rotation about Y) × translation, where the angle about Y
// is rotation.x, the angle about X rotation.y and the angle about Z
// rotation.z.
D3DXMATRIX worldMatrix(const Transform& world);
