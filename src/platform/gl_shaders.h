// GLSL sources of the OpenGL device: one vertex and one fragment shader that
// reproduce the fixed-function look (transforms, one directional light and a
// material, vertex colours, texture stage 0 modulation, alpha test, fog), and
// a geometry shader that turns lines into screen-aligned quads when lines
// wider than one pixel are drawn.
//
// The sources are compiled per combination of the switches below rather than
// branching on uniforms: a software rasteriser runs every branch of a shader
// for every pixel, so an untextured, fog-free draw must not pay for sampling
// and fog; nor carry texture coordinates and fog distance to its pixels (a
// software rasteriser sets up every carried value for every triangle). Each
// source is preceded by kVersion and a block of #defines:
//   PRETRANSFORMED  positions are screen pixels (x, y, z, rhw)
//   LIGHTING        one directional light and the material (not with PRETRANSFORMED)
//   TEXTURED        texture stage 0 modulates the colour
//   ALPHA_TEST      pixels whose alpha is below uAlphaRef are discarded
//   FOG_MODE        0 none, 1 exponential, 2 squared exponential, 3 linear
//   SPECULAR        the light's specular highlight (with LIGHTING only)
#pragma once

namespace gfx::shaders {

inline constexpr const char* kVersion = "#version 330 core\n";

// Matrices arrive as the row-major data of the row-vector convention
// (v' = v * M). GLSL reads that data column by column, so the GLSL matrix is
// the transpose and `M * v` computes v * M.
inline constexpr const char* kVertex = R"(
layout(location = 0) in vec4 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aColour;
layout(location = 3) in vec2 aTexCoord;

uniform vec2 uViewportSize;
uniform mat4 uWorldView;
uniform mat4 uProjection;
uniform mat4 uNormalMatrix;
uniform bool uHasColour;
uniform bool uHasNormal;
uniform bool uLightEnabled;
uniform vec3 uLightDirection;
uniform vec4 uLightDiffuse;
uniform vec4 uLightAmbient;
uniform vec4 uMaterialDiffuse;
uniform vec4 uMaterialAmbient;
uniform vec4 uMaterialEmissive;
uniform vec4 uGlobalAmbient;
uniform bool uRangeFog;
uniform vec4 uLightSpecular;
uniform vec4 uMaterialSpecular;
uniform float uMaterialPower;

out VertexData {
    vec4 colour;
#if TEXTURED
    vec2 texCoord;
#endif
#if FOG_MODE != 0
    float fogDistance;
#endif
} vs_out;

#if LIGHTING
vec4 litColour(vec4 diffuseSource, vec3 eye) {
    vec3 normal = vec3(0.0);
    if (uHasNormal) {
        normal = mat3(uNormalMatrix) * aNormal;
        float len = length(normal);
        normal = len > 0.0 ? normal / len : vec3(0.0);
    }
    vec3 colour = uMaterialEmissive.rgb + uGlobalAmbient.rgb * uMaterialAmbient.rgb;
    if (uLightEnabled) {
        colour += uLightAmbient.rgb * uMaterialAmbient.rgb;
        float facing = dot(normal, -uLightDirection);
        colour += uLightDiffuse.rgb * diffuseSource.rgb * max(facing, 0.0);
#if SPECULAR
        if (facing > 0.0) {
            vec3 toEye = length(eye) > 0.0 ? normalize(-eye) : vec3(0.0, 0.0, -1.0);
            vec3 halfway = normalize(toEye - uLightDirection);
            float highlight = uMaterialPower > 0.0 ? pow(max(dot(normal, halfway), 0.0), uMaterialPower) : 1.0;
            colour += uLightSpecular.rgb * uMaterialSpecular.rgb * highlight;
        }
#endif
    }
    return vec4(clamp(colour, 0.0, 1.0), diffuseSource.a);
}
#endif

void main() {
    vec4 diffuseSource = uHasColour ? aColour : uMaterialDiffuse;
#if PRETRANSFORMED
    vec2 ndc = vec2(aPosition.x / uViewportSize.x * 2.0 - 1.0, 1.0 - aPosition.y / uViewportSize.y * 2.0);
    gl_Position = vec4(ndc, aPosition.z * 2.0 - 1.0, 1.0);
    vs_out.colour = diffuseSource;
#if FOG_MODE != 0
    vs_out.fogDistance = aPosition.z;
#endif
#else
    vec4 eye = uWorldView * vec4(aPosition.xyz, 1.0);
    vec4 clip = uProjection * eye;
    // Depth 0..w (near..far) becomes the -w..w range that is clipped here.
    gl_Position = vec4(clip.xy, 2.0 * clip.z - clip.w, clip.w);
#if LIGHTING
    vs_out.colour = litColour(diffuseSource, eye.xyz);
#else
    vs_out.colour = diffuseSource;
#endif
#if FOG_MODE != 0
    vs_out.fogDistance = uRangeFog ? length(eye.xyz) : eye.z;
#endif
#endif
#if TEXTURED
    vs_out.texCoord = aTexCoord;
#endif
}
)";

inline constexpr const char* kFragment = R"(
in VertexData {
    vec4 colour;
#if TEXTURED
    vec2 texCoord;
#endif
#if FOG_MODE != 0
    float fogDistance;
#endif
} fs_in;

uniform sampler2D uTexture;
uniform float uAlphaRef;
uniform float uFogStart;
uniform float uFogEnd;
uniform float uFogDensity;
uniform vec3 uFogColour;

out vec4 fragColour;

#if FOG_MODE != 0
float fogFactor(float distance) {
#if FOG_MODE == 1
    return exp(-uFogDensity * distance);
#elif FOG_MODE == 2
    return exp(-(uFogDensity * distance) * (uFogDensity * distance));
#else
    if (uFogEnd == uFogStart) return distance < uFogEnd ? 1.0 : 0.0;
    return (uFogEnd - distance) / (uFogEnd - uFogStart);
#endif
}
#endif

void main() {
    vec4 colour = fs_in.colour;
#if TEXTURED
    colour *= texture(uTexture, fs_in.texCoord);
#endif
#if ALPHA_TEST
    if (floor(colour.a * 255.0 + 0.5) < uAlphaRef) discard;
#endif
#if FOG_MODE != 0
    colour.rgb = mix(uFogColour, colour.rgb, clamp(fogFactor(fs_in.fogDistance), 0.0, 1.0));
#endif
    fragColour = colour;
}
)";

// Expands each line into a quad `uLineWidth` pixels wide. The segment is
// first cut at the near plane so that the screen-space direction is sound.
inline constexpr const char* kWideLineGeometry = R"(
layout(lines) in;
layout(triangle_strip, max_vertices = 4) out;

in VertexData {
    vec4 colour;
#if TEXTURED
    vec2 texCoord;
#endif
#if FOG_MODE != 0
    float fogDistance;
#endif
} gs_in[];

out VertexData {
    vec4 colour;
#if TEXTURED
    vec2 texCoord;
#endif
#if FOG_MODE != 0
    float fogDistance;
#endif
} gs_out;

uniform vec2 uViewportSize;
uniform float uLineWidth;

void emitAt(float t, vec2 offsetNdc) {
    vec4 position = mix(gl_in[0].gl_Position, gl_in[1].gl_Position, t);
    gl_Position = position + vec4(offsetNdc * position.w, 0.0, 0.0);
    gs_out.colour = mix(gs_in[0].colour, gs_in[1].colour, t);
#if TEXTURED
    gs_out.texCoord = mix(gs_in[0].texCoord, gs_in[1].texCoord, t);
#endif
#if FOG_MODE != 0
    gs_out.fogDistance = mix(gs_in[0].fogDistance, gs_in[1].fogDistance, t);
#endif
    EmitVertex();
}

void main() {
    vec4 p0 = gl_in[0].gl_Position;
    vec4 p1 = gl_in[1].gl_Position;
    float d0 = p0.z + p0.w;
    float d1 = p1.z + p1.w;
    if (d0 < 0.0 && d1 < 0.0) return;
    float t0 = d0 < 0.0 ? d0 / (d0 - d1) : 0.0;
    float t1 = d1 < 0.0 ? d0 / (d0 - d1) : 1.0;
    vec4 a = mix(p0, p1, t0);
    vec4 b = mix(p0, p1, t1);
    if (a.w <= 0.0 || b.w <= 0.0) return;
    vec2 halfSize = uViewportSize * 0.5;
    vec2 direction = b.xy / b.w * halfSize - a.xy / a.w * halfSize;
    direction = length(direction) > 1e-6 ? normalize(direction) : vec2(1.0, 0.0);
    vec2 offset = vec2(-direction.y, direction.x) * (uLineWidth * 0.5) / halfSize;
    emitAt(t0, offset);
    emitAt(t0, -offset);
    emitAt(t1, offset);
    emitAt(t1, -offset);
    EndPrimitive();
}
)";

// The stretch of a reduced scene over the frame: one triangle that covers
// the viewport, sampling the reduced picture (no defines).
inline constexpr const char* kStretchVertex = R"(
out vec2 vTexCoord;
void main() {
    vec2 corner = vec2(float((gl_VertexID & 1) << 2) - 1.0, float((gl_VertexID & 2) << 1) - 1.0);
    vTexCoord = corner * 0.5 + 0.5;
    gl_Position = vec4(corner, 0.0, 1.0);
}
)";

inline constexpr const char* kStretchFragment = R"(
in vec2 vTexCoord;
uniform sampler2D uScene;
out vec4 fragColour;
void main() { fragColour = vec4(texture(uScene, vTexCoord).rgb, 1.0); }
)";

}  // namespace gfx::shaders
