#define GL_GLEXT_PROTOTYPES 1
#include "platform/gl_device.h"

#include "core/logger.h"
#include "platform/device_state.h"
#include "platform/gl_shaders.h"

#include <GL/glcorearb.h>
#include <SDL.h>
#include <malloc.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace gfx {

namespace {

void logError(const std::string& what) { Logger::instance().error(String("GlDevice"), String(what.c_str())); }

// --- render-state mappings -------------------------------------------------------

GLenum depthFunction(uint32_t code) {
    switch (code) {
    case kCmpNever: return GL_NEVER;
    case kCmpLess: return GL_LESS;
    case kCmpEqual: return GL_EQUAL;
    case kCmpGreater: return GL_GREATER;
    case kCmpNotEqual: return GL_NOTEQUAL;
    case kCmpGreaterEqual: return GL_GEQUAL;
    case kCmpAlways: return GL_ALWAYS;
    default: return GL_LEQUAL;
    }
}

// A blend code as a GL factor; `fallback` for codes GL has no factor for.
GLenum blendFactor(uint32_t code, GLenum fallback) {
    switch (code) {
    case kBlendZero: return GL_ZERO;
    case kBlendOne: return GL_ONE;
    case kBlendSrcColor: return GL_SRC_COLOR;
    case kBlendInvSrcColor: return GL_ONE_MINUS_SRC_COLOR;
    case kBlendSrcAlpha: return GL_SRC_ALPHA;
    case kBlendInvSrcAlpha: return GL_ONE_MINUS_SRC_ALPHA;
    case kBlendDestAlpha: return GL_DST_ALPHA;
    case kBlendInvDestAlpha: return GL_ONE_MINUS_DST_ALPHA;
    case kBlendDestColor: return GL_DST_COLOR;
    case kBlendInvDestColor: return GL_ONE_MINUS_DST_COLOR;
    case kBlendFactor: return GL_CONSTANT_COLOR;
    case kBlendInvBlendFactor: return GL_ONE_MINUS_CONSTANT_COLOR;
    default: return fallback;
    }
}

struct BlendFunction {
    GLenum source;
    GLenum destination;
};

// The two "both" codes set source and destination together and only make
// sense as the source; saturated source alpha is a source-only factor.
BlendFunction blendFunction(uint32_t source, uint32_t destination) {
    if (source == kBlendBothSrcAlpha) return {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA};
    if (source == kBlendBothInvSrcAlpha) return {GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA};
    const GLenum src = source == kBlendSrcAlphaSat ? GL_SRC_ALPHA_SATURATE : blendFactor(source, GL_ONE);
    return {src, blendFactor(destination, GL_ZERO)};
}

GLenum polygonMode(uint32_t code) {
    switch (code) {
    case kFillPoint: return GL_POINT;
    case kFillWireframe: return GL_LINE;
    default: return GL_FILL;
    }
}

GLenum primitiveMode(Primitive primitive) {
    switch (primitive) {
    case Primitive::PointList: return GL_POINTS;
    case Primitive::LineList: return GL_LINES;
    case Primitive::LineStrip: return GL_LINE_STRIP;
    case Primitive::TriangleList: return GL_TRIANGLES;
    case Primitive::TriangleStrip: return GL_TRIANGLE_STRIP;
    }
    return GL_TRIANGLES;
}

bool isLine(Primitive primitive) { return primitive == Primitive::LineList || primitive == Primitive::LineStrip; }

// True when any of red, green and blue is above 0.
bool hasColour(const ColourValue& colour) { return colour.r > 0.0f || colour.g > 0.0f || colour.b > 0.0f; }

int validFogMode(uint32_t mode) { return mode <= kFogLinear ? static_cast<int>(mode) : 0; }

// --- shader programs -----------------------------------------------------------------

enum Uniform {
    uViewportSize, uWorldView, uProjection, uNormalMatrix, uHasColour, uHasNormal, uLightEnabled, uLightDirection,
    uLightDiffuse, uLightAmbient, uMaterialDiffuse, uMaterialAmbient, uMaterialEmissive, uGlobalAmbient, uRangeFog,
    uTexture, uAlphaRef, uFogStart, uFogEnd, uFogDensity, uFogColour, uLineWidth, uLightSpecular,
    uMaterialSpecular, uMaterialPower, kUniformCount
};

constexpr std::array<const char*, kUniformCount> kUniformNames = {
    "uViewportSize", "uWorldView", "uProjection", "uNormalMatrix", "uHasColour", "uHasNormal", "uLightEnabled",
    "uLightDirection", "uLightDiffuse", "uLightAmbient", "uMaterialDiffuse", "uMaterialAmbient",
    "uMaterialEmissive", "uGlobalAmbient", "uRangeFog", "uTexture", "uAlphaRef", "uFogStart", "uFogEnd",
    "uFogDensity", "uFogColour", "uLineWidth", "uLightSpecular", "uMaterialSpecular", "uMaterialPower"};

// The switches a program is compiled with (see gl_shaders.h).
struct ProgramKey {
    enum class Geometry { Pretransformed, Unlit, Lit };
    Geometry geometry = Geometry::Unlit;
    bool textured = false;
    bool alphaTest = false;
    int fogMode = 0;  // 0..3
    bool wideLines = false;
    bool specular = false;  // lit only

    static constexpr int kCount = 3 * 2 * 2 * 4 * 2 * 2;
    int index() const {
        return ((((static_cast<int>(geometry) * 2 + (textured ? 1 : 0)) * 2 + (alphaTest ? 1 : 0)) * 4 + fogMode) * 2 +
                (wideLines ? 1 : 0)) * 2 + (specular ? 1 : 0);
    }
    std::string defines() const {
        return "#define PRETRANSFORMED " + std::to_string(geometry == Geometry::Pretransformed ? 1 : 0) +
               "\n#define LIGHTING " + std::to_string(geometry == Geometry::Lit ? 1 : 0) +
               "\n#define TEXTURED " + std::to_string(textured ? 1 : 0) +
               "\n#define ALPHA_TEST " + std::to_string(alphaTest ? 1 : 0) +
               "\n#define FOG_MODE " + std::to_string(fogMode) +
               "\n#define SPECULAR " + std::to_string(specular ? 1 : 0) + "\n";
    }
};

struct Program {
    GLuint id = 0;
    bool wideLines = false;  // turns lines into quads: never culled, always filled
    std::array<GLint, kUniformCount> uniforms{};
};

GLuint compileShader(GLenum kind, const std::string& defines, const char* body) {
    const GLuint shader = glCreateShader(kind);
    const std::array<const char*, 3> sources = {shaders::kVersion, defines.c_str(), body};
    glShaderSource(shader, static_cast<GLsizei>(sources.size()), sources.data(), nullptr);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled == GL_TRUE) return shader;
    std::array<char, 2048> log{};
    glGetShaderInfoLog(shader, static_cast<GLsizei>(log.size()), nullptr, log.data());
    logError(std::string("Shader does not compile: ") + log.data());
    glDeleteShader(shader);
    return 0;
}

// Links compiled shaders into a program; 0 (logged) on failure.
GLuint linkProgram(const std::vector<GLuint>& shaders) {
    GLuint program = glCreateProgram();
    for (GLuint shader : shaders) glAttachShader(program, shader);
    glLinkProgram(program);
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked == GL_TRUE) return program;
    std::array<char, 2048> log{};
    glGetProgramInfoLog(program, static_cast<GLsizei>(log.size()), nullptr, log.data());
    logError(std::string("Shader program does not link: ") + log.data());
    glDeleteProgram(program);
    return 0;
}

// Links the vertex, fragment and (for wide lines) geometry shader with the
// key's switches; id 0 on failure.
Program buildProgram(const ProgramKey& key) {
    Program program;
    const std::string defines = key.defines();
    std::vector<GLuint> shaders = {compileShader(GL_VERTEX_SHADER, defines, shaders::kVertex),
                                   compileShader(GL_FRAGMENT_SHADER, defines, shaders::kFragment)};
    if (key.wideLines) shaders.push_back(compileShader(GL_GEOMETRY_SHADER, defines, shaders::kWideLineGeometry));
    const bool compiled = std::all_of(shaders.begin(), shaders.end(), [](GLuint s) { return s != 0; });
    if (compiled) program.id = linkProgram(shaders);
    for (GLuint shader : shaders) {
        if (shader != 0) glDeleteShader(shader);
    }
    if (program.id == 0) return program;
    program.wideLines = key.wideLines;
    for (int i = 0; i < kUniformCount; ++i) program.uniforms[i] = glGetUniformLocation(program.id, kUniformNames[i]);
    return program;
}

void uploadMatrix(GLint location, const D3DXMATRIX& matrix) {
    // Row-major data as it is: see the note in gl_shaders.h.
    glUniformMatrix4fv(location, 1, GL_FALSE, &matrix.m[0][0]);
}

void uploadColour(GLint location, const ColourValue& colour) {
    glUniform4f(location, colour.r, colour.g, colour.b, colour.a);
}

bool hasExtension(const char* name) {
    GLint count = 0;
    glGetIntegerv(GL_NUM_EXTENSIONS, &count);
    for (GLint i = 0; i < count; ++i) {
        const auto* extension = reinterpret_cast<const char*>(glGetStringi(GL_EXTENSIONS, static_cast<GLuint>(i)));
        if (extension != nullptr && std::strcmp(extension, name) == 0) return true;
    }
    return false;
}

void drainGlErrors() {
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

// --- streamed vertices -----------------------------------------------------------------

// A buffer that the vertices (or indices) of drawUser() calls are appended
// to, each call behind the previous one, so the driver never waits for a draw
// that still reads an earlier part and nothing is allocated per call. When
// the end is reached the buffer is given a fresh store and filling starts
// again at its beginning.
struct StreamBuffer {
    GLuint name = 0;
    size_t capacity = 0;
    size_t used = 0;
};

constexpr size_t kStreamAlignment = 16;
constexpr size_t kInitialStreamBytes = size_t{1} << 20;

// Copies `bytes` into the stream bound to `target` and returns their offset;
// SIZE_MAX when GL cannot map it.
size_t appendToStream(StreamBuffer& stream, GLenum target, const void* data, size_t bytes) {
    glBindBuffer(target, stream.name);
    size_t start = (stream.used + kStreamAlignment - 1) / kStreamAlignment * kStreamAlignment;
    if (start > stream.capacity || bytes > stream.capacity - start) {
        size_t capacity = std::max(stream.capacity, kInitialStreamBytes);
        while (capacity < bytes) capacity *= 2;
        glBufferData(target, static_cast<GLsizeiptr>(capacity), nullptr, GL_STREAM_DRAW);
        stream.capacity = capacity;
        start = 0;
    }
    void* destination = glMapBufferRange(target, static_cast<GLintptr>(start), static_cast<GLsizeiptr>(bytes),
                                         GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_RANGE_BIT | GL_MAP_UNSYNCHRONIZED_BIT);
    if (destination == nullptr) return SIZE_MAX;
    std::memcpy(destination, data, bytes);
    glUnmapBuffer(target);
    stream.used = start + bytes;
    return start;
}

// --- the device ---------------------------------------------------------------------

// What the colour of a render target is.
enum class ColourStore {
    Renderbuffer,
    // A texture that draws can read, texel by texel (nearest) with clamped
    // edges.
    Texture,
};

// Makes a framebuffer of `width` x `height` with an RGBA8 colour and a
// depth-stencil renderbuffer, and leaves it bound. False when OpenGL cannot
// draw into it (the names are made all the same: delete them).
bool makeRenderTarget(int width, int height, GLuint& framebuffer, GLuint& colour, GLuint& depthStencil,
                      ColourStore store = ColourStore::Renderbuffer) {
    if (store == ColourStore::Texture) {
        glGenTextures(1, &colour);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, colour);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    } else {
        glGenRenderbuffers(1, &colour);
        glBindRenderbuffer(GL_RENDERBUFFER, colour);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    }
    glGenRenderbuffers(1, &depthStencil);
    glBindRenderbuffer(GL_RENDERBUFFER, depthStencil);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    if (store == ColourStore::Texture) {
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colour, 0);
    } else {
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    }
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depthStencil);
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

// Deletes what makeRenderTarget made (names of 0 are passed over) and zeroes
// the names.
void deleteRenderTarget(GLuint& framebuffer, GLuint& colour, GLuint& depthStencil) {
    if (framebuffer != 0) glDeleteFramebuffers(1, &framebuffer);
    if (colour != 0) glDeleteRenderbuffers(1, &colour);
    if (depthStencil != 0) glDeleteRenderbuffers(1, &depthStencil);
    framebuffer = colour = depthStencil = 0;
}

class GlDevice final : public GraphicsDevice {
public:
    GlDevice(SDL_Window* window, int width, int height) : window_(window), width_(width), height_(height) {}
    ~GlDevice() override {
        destroyResources();
        destroyDeviceObjects();
    }
    GlDevice(const GlDevice&) = delete;
    GlDevice& operator=(const GlDevice&) = delete;

    // Builds programs, vertex array, stream buffers, sampler and back buffer;
    // false (logged) on failure.
    bool createDeviceObjects();

    DeviceCaps caps() const override { return caps_; }
    int backBufferWidth() const override { return width_; }
    int backBufferHeight() const override { return height_; }
    bool isLost() const override { return lost_; }
    bool reset(int width, int height) override;
    void simulateLoss(int resetFailures) override {
        lost_ = true;
        resetFailures_ = std::max(0, resetFailures);
    }

    TextureHandle createTexture(int width, int height, const unsigned char* rgba) override;
    bool updateTexture(TextureHandle texture, int x, int y, int width, int height,
                       const unsigned char* rgba) override;
    void destroyTexture(TextureHandle texture) override;
    void setTexture(TextureHandle texture) override {
        state_.texture = textures_.count(texture.id) != 0 ? texture : TextureHandle{};
    }
    void setTextureFilter(TextureFilter magnification, TextureFilter minification) override {
        state_.magnification = magnification;
        state_.minification = minification;
    }
    void setTextureAddress(TextureAddress mode) override { state_.address = mode; }

    BufferHandle createVertexBuffer(const void* bytes, size_t byteCount) override;
    BufferHandle createIndexBuffer(const uint16_t* indices, size_t count) override;
    void destroyBuffer(BufferHandle buffer) override;
    void drawIndexed(Primitive primitive, uint32_t vertexFlags, BufferHandle vertices, int vertexCount,
                     BufferHandle indices, int indexCount) override;
    void draw(Primitive primitive, uint32_t vertexFlags, BufferHandle vertices, int vertexCount) override;
    void drawUser(Primitive primitive, uint32_t vertexFlags, const void* vertices, int vertexCount,
                  const uint16_t* indices, int indexCount) override;

    void setTransform(TransformKind kind, const D3DXMATRIX& matrix) override { state_.transform(kind) = matrix; }
    D3DXMATRIX transform(TransformKind kind) const override { return state_.transform(kind); }
    void setRenderState(RenderState state, uint32_t value) override { state_.set(state, value); }
    uint32_t renderState(RenderState state) const override { return state_.get(state); }
    void setMaterial(const Material& material) override { state_.material = material; }
    void setLight(const DirectionalLight& light) override { state_.light = light; }
    void enableLight(bool enabled) override { state_.lightEnabled = enabled; }
    void setLineWidth(float width) override {
        if (std::isfinite(width) && width > 0.0f) state_.lineWidth = width;
    }

    void beginScene() override {}
    void endScene() override {}
    void clear(uint32_t flags, uint32_t argb, float depth, int stencil) override;
    bool present() override;
    bool readBackBuffer(std::vector<unsigned char>& rgba, int& width, int& height) override;
    void keepFramesForReadBack(bool keep) override { keepFrames_ = keep; }
    bool beginReducedScene(int divisor) override;
    void endReducedScene() override;
    bool repeatLastScene() override;

private:
    struct Texture {
        GLuint name = 0;
        int width = 0;
        int height = 0;
    };
    struct Buffer {
        GLuint name = 0;
        BufferExtent extent;
    };

    void queryCaps();
    bool createBackBuffer();
    // Where this frame is drawn: the window's own back buffer, or the
    // off-screen one when frames are kept, there is no window, or the
    // window's drawable differs in size (present() then scales).
    void chooseDrawTarget();
    GLuint drawTarget() const { return reduced_ ? reducedFramebuffer_ : frameTarget(); }
    // The frame's own target, whatever a reduced scene draws into.
    GLuint frameTarget() const { return offscreen_ ? framebuffer_ : 0; }
    // The reduced scene's targets at `width` x `height`, made or remade.
    bool prepareReducedTargets(int width, int height);
    // Copies the reduced target over the frame's target, stretched.
    void stretchReducedScene();
    // The program that stretches, built on first use; 0 when it cannot be
    // built (a blit stretches instead).
    GLuint stretchProgram();
    void destroyReducedTargets();
    void destroyResources();
    void destroyDeviceObjects();
    const Buffer* findBuffer(BufferHandle handle) const;

    // The program for the current state, built if need be; nullptr when
    // neither it nor (for wide lines) its one-pixel fallback can be built.
    const Program* programFor(Primitive primitive, const VertexLayout& layout);
    const Program* builtProgram(const ProgramKey& key);
    // Program, fixed-function state, uniforms and texture for one draw call;
    // false when no program can draw it.
    bool prepareDraw(Primitive primitive, const VertexLayout& layout);
    void applyFixedFunctionState();
    void uploadUniforms(const Program& program, const VertexLayout& layout);
    void bindTextureStage();
    // Attribute pointers into the bound GL_ARRAY_BUFFER.
    // `base` is the byte offset of the first vertex in that buffer.
    static void bindAttributes(const VertexLayout& layout, size_t base = 0);
    // Flushes once kIndicesPerFlush indices were drawn since the last flush.
    void handOverHeavyWork(int indexCount);

    SDL_Window* window_;
    int width_;
    int height_;
    bool lost_ = false;
    // Indices drawn since the last flush of a heavy frame (handOverHeavyWork).
    static constexpr int kIndicesPerFlush = 300000;
    int indicesSinceFlush_ = 0;
    int resetFailures_ = 0;
    DeviceState state_;
    DeviceCaps caps_;

    // Programs by ProgramKey::index(), built on first use; `programTried_`
    // keeps a failed build from being retried every draw.
    std::array<Program, ProgramKey::kCount> programs_{};
    std::array<bool, ProgramKey::kCount> programTried_{};
    GLuint vertexArray_ = 0;
    StreamBuffer streamVertices_;
    StreamBuffer streamIndices_;
    GLuint sampler_ = 0;
    // The off-screen back buffer: a colour and depth-stencil target, copied
    // to the window by present(), so it can be read back at any time.
    GLuint framebuffer_ = 0;
    bool keepFrames_ = false;
    bool offscreen_ = true;
    GLuint colourTarget_ = 0;
    GLuint depthStencilTarget_ = 0;
    // The colour of the last clear of the colour target.
    uint32_t clearArgb_ = 0xFF000000u;
    // The reduced scene: its targets (kept from one reduced scene to the
    // next while the size stays) and whether one is open.
    GLuint reducedFramebuffer_ = 0;
    GLuint reducedColour_ = 0;  // a texture, which the stretch draws from
    GLuint reducedDepthStencil_ = 0;
    int reducedWidth_ = 0;
    int reducedHeight_ = 0;
    bool reduced_ = false;
    // The reduced target holds a finished scene for a back buffer of this
    // size (0 x 0: none).
    int sceneForWidth_ = 0;
    int sceneForHeight_ = 0;
    // What stretches a reduced scene over the frame (stretchProgram()).
    GLuint stretchProgram_ = 0;
    GLuint stretchVertexArray_ = 0;
    bool stretchTried_ = false;

    uint32_t nextHandle_ = 1;  // never reused: handles from before a reset stay invalid
    std::map<uint32_t, Texture> textures_;
    std::map<uint32_t, Buffer> buffers_;
};

bool GlDevice::createDeviceObjects() {
    // The plainest program is built now: if it fails, GL cannot draw for us at all.
    if (builtProgram(ProgramKey{}) == nullptr) return false;
    glGenVertexArrays(1, &vertexArray_);
    glBindVertexArray(vertexArray_);
    glGenBuffers(1, &streamVertices_.name);
    glGenBuffers(1, &streamIndices_.name);
    glGenSamplers(1, &sampler_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glBlendColor(1.0f, 1.0f, 1.0f, 1.0f);
    if (!createBackBuffer()) return false;
    queryCaps();
    return true;
}

bool GlDevice::createBackBuffer() {
    GLint largest = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largest);
    if (width_ > largest || height_ > largest) {
        logError("Back buffer of " + std::to_string(width_) + " x " + std::to_string(height_) +
                 " pixels is larger than OpenGL allows");
        return false;
    }
    if (!makeRenderTarget(width_, height_, framebuffer_, colourTarget_, depthStencilTarget_)) {
        logError("The back buffer cannot be drawn into");
        return false;
    }
    glViewport(0, 0, width_, height_);
    // Like a back buffer without alpha: clears set alpha to 1 and draws leave
    // it alone, so destination alpha reads as opaque.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    chooseDrawTarget();
    return true;
}

void GlDevice::chooseDrawTarget() {
    bool offscreen = window_ == nullptr || keepFrames_;
    if (!offscreen) {
        int windowWidth = 0;
        int windowHeight = 0;
        SDL_GL_GetDrawableSize(window_, &windowWidth, &windowHeight);
        offscreen = windowWidth != width_ || windowHeight != height_;
    }
    offscreen_ = offscreen;
    glBindFramebuffer(GL_FRAMEBUFFER, drawTarget());
}

void GlDevice::destroyDeviceObjects() {
    for (Program& program : programs_) {
        if (program.id != 0) glDeleteProgram(program.id);
        program = Program{};
    }
    programTried_.fill(false);
    if (stretchProgram_ != 0) glDeleteProgram(stretchProgram_);
    if (stretchVertexArray_ != 0) glDeleteVertexArrays(1, &stretchVertexArray_);
    stretchProgram_ = stretchVertexArray_ = 0;
    stretchTried_ = false;
    glBindVertexArray(0);
    if (vertexArray_ != 0) glDeleteVertexArrays(1, &vertexArray_);
    for (StreamBuffer* stream : {&streamVertices_, &streamIndices_}) {
        if (stream->name != 0) glDeleteBuffers(1, &stream->name);
        *stream = StreamBuffer{};
    }
    if (sampler_ != 0) glDeleteSamplers(1, &sampler_);
    vertexArray_ = sampler_ = 0;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    destroyReducedTargets();
    deleteRenderTarget(framebuffer_, colourTarget_, depthStencilTarget_);
}

void GlDevice::destroyResources() {
    for (auto& [id, texture] : textures_) glDeleteTextures(1, &texture.name);
    for (auto& [id, buffer] : buffers_) glDeleteBuffers(1, &buffer.name);
    textures_.clear();
    buffers_.clear();
    state_.texture = {};
}

void GlDevice::queryCaps() {
    GLint maxTexture = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
    GLint stencilBits = 0;
    glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT,
                                          GL_FRAMEBUFFER_ATTACHMENT_STENCIL_SIZE, &stencilBits);
    drainGlErrors();
    const bool anisotropic =
        hasExtension("GL_EXT_texture_filter_anisotropic") || hasExtension("GL_ARB_texture_filter_anisotropic");
    caps_ = DeviceCaps{};
    // The device offers one texture stage and one light, whatever GL could do.
    caps_.maxTextureBlendStages = 1;
    caps_.maxSimultaneousTextures = 1;
    caps_.maxActiveLights = 1;
    caps_.maxStencilIndices = stencilBits > 0 ? 8 : 0;
    caps_.maxTextureWidth = caps_.maxTextureHeight = caps_.maxTextureRepeat = maxTexture;
    // GL has no primitive limit; indices are 16 bits wide.
    caps_.maxPrimitiveCount = 0xFFFFFF;
    caps_.maxVertexIndex = 0xFFFF;
    caps_.nonPowerOfTwoTextures = true;
    caps_.magPoint = caps_.magLinear = caps_.minPoint = caps_.minLinear = true;
    caps_.magAnisotropic = caps_.minAnisotropic = anisotropic;
    caps_.mipPoint = caps_.mipLinear = true;
}

bool GlDevice::reset(int width, int height) {
    if (width <= 0 || height <= 0) return false;
    if (resetFailures_ > 0) {
        --resetFailures_;
        return false;
    }
    destroyResources();
    destroyDeviceObjects();
    width_ = width;
    height_ = height;
    state_.restoreDefaults();
    if (!createDeviceObjects()) return false;
    lost_ = false;
    return true;
}

TextureHandle GlDevice::createTexture(int width, int height, const unsigned char* rgba) {
    if (width <= 0 || height <= 0 || width > caps_.maxTextureWidth || height > caps_.maxTextureHeight) return {};
    std::vector<unsigned char> blank;
    if (rgba == nullptr) {
        blank.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
        rgba = blank.data();
    }
    drainGlErrors();
    Texture texture{0, width, height};
    glGenTextures(1, &texture.name);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture.name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &texture.name);
        logError("Could not create a texture of " + std::to_string(width) + " x " + std::to_string(height));
        return {};
    }
    const uint32_t id = nextHandle_++;
    textures_.emplace(id, texture);
    return TextureHandle{id};
}

bool GlDevice::updateTexture(TextureHandle handle, int x, int y, int width, int height,
                             const unsigned char* rgba) {
    auto found = textures_.find(handle.id);
    if (found == textures_.end() || rgba == nullptr || x < 0 || y < 0 || width <= 0 || height <= 0 ||
        width > found->second.width - x || height > found->second.height - y) {
        return false;
    }
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, found->second.name);
    glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return true;
}

void GlDevice::destroyTexture(TextureHandle handle) {
    auto found = textures_.find(handle.id);
    if (found == textures_.end()) return;
    glDeleteTextures(1, &found->second.name);
    textures_.erase(found);
    if (state_.texture == handle) state_.texture = {};
}

BufferHandle GlDevice::createVertexBuffer(const void* bytes, size_t byteCount) {
    if (bytes == nullptr || byteCount == 0 || byteCount > static_cast<size_t>(INT32_MAX)) return {};
    Buffer buffer{0, BufferExtent::ofVertices(byteCount)};
    glGenBuffers(1, &buffer.name);
    glBindBuffer(GL_ARRAY_BUFFER, buffer.name);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(byteCount), bytes, GL_STATIC_DRAW);
    const uint32_t id = nextHandle_++;
    buffers_.emplace(id, std::move(buffer));
    return BufferHandle{id};
}

BufferHandle GlDevice::createIndexBuffer(const uint16_t* indices, size_t count) {
    if (indices == nullptr || count == 0 || count > static_cast<size_t>(INT32_MAX / 2)) return {};
    Buffer buffer{0, BufferExtent::ofIndices(indices, count)};
    glGenBuffers(1, &buffer.name);
    // Filled through the array target: the element binding belongs to the vertex array.
    glBindBuffer(GL_ARRAY_BUFFER, buffer.name);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count * sizeof(uint16_t)), indices, GL_STATIC_DRAW);
    const uint32_t id = nextHandle_++;
    buffers_.emplace(id, std::move(buffer));
    return BufferHandle{id};
}

void GlDevice::destroyBuffer(BufferHandle handle) {
    auto found = buffers_.find(handle.id);
    if (found == buffers_.end()) return;
    glDeleteBuffers(1, &found->second.name);
    buffers_.erase(found);
}

const GlDevice::Buffer* GlDevice::findBuffer(BufferHandle handle) const {
    auto found = buffers_.find(handle.id);
    return found == buffers_.end() ? nullptr : &found->second;
}

void GlDevice::applyFixedFunctionState() {
    if (state_.get(RenderState::ZEnable) != 0) {
        glEnable(GL_DEPTH_TEST);
    } else {
        glDisable(GL_DEPTH_TEST);
    }
    glDepthFunc(depthFunction(state_.get(RenderState::ZFunc)));
    glDepthMask(state_.get(RenderState::ZWriteEnable) != 0 ? GL_TRUE : GL_FALSE);

    if (state_.get(RenderState::AlphaBlendEnable) != 0) {
        glEnable(GL_BLEND);
        const BlendFunction blend =
            blendFunction(state_.get(RenderState::SrcBlend), state_.get(RenderState::DestBlend));
        glBlendFunc(blend.source, blend.destination);
    } else {
        glDisable(GL_BLEND);
    }

    // Winding as the viewer sees it: GL's window space has y up like the
    // picture, so GL's clockwise is the viewer's clockwise.
    const uint32_t cull = state_.get(RenderState::CullMode);
    if (cull == kCullClockwise || cull == kCullCounterClockwise) {
        glEnable(GL_CULL_FACE);
        glFrontFace(cull == kCullCounterClockwise ? GL_CW : GL_CCW);
        glCullFace(GL_BACK);
    } else {
        glDisable(GL_CULL_FACE);
    }
    glPolygonMode(GL_FRONT_AND_BACK, polygonMode(state_.get(RenderState::FillMode)));
    if (state_.get(RenderState::DitherEnable) != 0) {
        glEnable(GL_DITHER);
    } else {
        glDisable(GL_DITHER);
    }
}

void GlDevice::uploadUniforms(const Program& program, const VertexLayout& layout) {
    const auto& u = program.uniforms;
    glUniform2f(u[uViewportSize], static_cast<float>(std::max(1, width_)), static_cast<float>(std::max(1, height_)));
    glUniform1i(u[uHasColour], layout.diffuse >= 0 ? 1 : 0);
    glUniform1i(u[uHasNormal], layout.normal >= 0 ? 1 : 0);
    glUniform1f(u[uLineWidth], state_.lineWidth);

    const D3DXMATRIX worldView = state_.world * state_.view;
    D3DXMATRIX inverse;
    D3DXMATRIX normalMatrix = worldView;
    if (D3DXMatrixInverse(&inverse, nullptr, &worldView) != nullptr) D3DXMatrixTranspose(&normalMatrix, &inverse);
    uploadMatrix(u[uWorldView], worldView);
    uploadMatrix(u[uProjection], state_.projection);
    uploadMatrix(u[uNormalMatrix], normalMatrix);

    glUniform1i(u[uLightEnabled], state_.lightEnabled ? 1 : 0);
    D3DXVECTOR3 direction;
    D3DXVec3TransformNormal(&direction, &state_.light.direction, &state_.view);
    D3DXVec3Normalize(&direction, &direction);
    glUniform3f(u[uLightDirection], direction.x, direction.y, direction.z);
    uploadColour(u[uLightDiffuse], state_.light.diffuse);
    uploadColour(u[uLightAmbient], state_.light.ambient);
    uploadColour(u[uMaterialDiffuse], state_.material.diffuse);
    uploadColour(u[uMaterialAmbient], state_.material.ambient);
    uploadColour(u[uMaterialEmissive], state_.material.emissive);
    uploadColour(u[uLightSpecular], state_.light.specular);
    uploadColour(u[uMaterialSpecular], state_.material.specular);
    glUniform1f(u[uMaterialPower], state_.material.power);
    uploadColour(u[uGlobalAmbient], colourFromArgb(state_.get(RenderState::Ambient)));

    glUniform1f(u[uAlphaRef], static_cast<float>(std::min<uint32_t>(state_.get(RenderState::AlphaRef), 255)));

    glUniform1i(u[uRangeFog], state_.get(RenderState::RangeFogEnable) != 0 ? 1 : 0);
    glUniform1f(u[uFogStart], state_.getFloat(RenderState::FogStart));
    glUniform1f(u[uFogEnd], state_.getFloat(RenderState::FogEnd));
    glUniform1f(u[uFogDensity], state_.getFloat(RenderState::FogDensity));
    const ColourValue fog = colourFromArgb(state_.get(RenderState::FogColor));
    glUniform3f(u[uFogColour], fog.r, fog.g, fog.b);

    glUniform1i(u[uTexture], 0);
}

void GlDevice::bindTextureStage() {
    glActiveTexture(GL_TEXTURE0);
    auto found = textures_.find(state_.texture.id);
    glBindTexture(GL_TEXTURE_2D, found != textures_.end() ? found->second.name : 0);
    const GLint wrap = state_.address == TextureAddress::Clamp ? GL_CLAMP_TO_EDGE : GL_REPEAT;
    glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_S, wrap);
    glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_T, wrap);
    glSamplerParameteri(sampler_, GL_TEXTURE_MAG_FILTER,
                        state_.magnification == TextureFilter::Linear ? GL_LINEAR : GL_NEAREST);
    glSamplerParameteri(sampler_, GL_TEXTURE_MIN_FILTER,
                        state_.minification == TextureFilter::Linear ? GL_LINEAR : GL_NEAREST);
    glBindSampler(0, sampler_);
}

const Program* GlDevice::builtProgram(const ProgramKey& key) {
    const int index = key.index();
    if (!programTried_[index]) {
        programTried_[index] = true;
        programs_[index] = buildProgram(key);
        if (programs_[index].id == 0 && key.wideLines) logError("Wide lines are drawn one pixel wide");
    }
    return programs_[index].id != 0 ? &programs_[index] : nullptr;
}

const Program* GlDevice::programFor(Primitive primitive, const VertexLayout& layout) {
    ProgramKey key;
    if (layout.preTransformed) {
        key.geometry = ProgramKey::Geometry::Pretransformed;
    } else if (state_.get(RenderState::Lighting) != 0) {
        key.geometry = ProgramKey::Geometry::Lit;
    }
    key.textured = textures_.count(state_.texture.id) != 0;
    key.alphaTest = state_.get(RenderState::AlphaTestEnable) != 0;
    if (state_.get(RenderState::FogEnable) != 0) {
        key.fogMode = validFogMode(state_.get(RenderState::FogTableMode));
        if (key.fogMode == 0 && !layout.preTransformed) key.fogMode = validFogMode(state_.get(RenderState::FogVertexMode));
    }
    key.wideLines = isLine(primitive) && state_.lineWidth > 1.0f;
    key.specular = key.geometry == ProgramKey::Geometry::Lit && state_.get(RenderState::SpecularEnable) != 0 &&
                   state_.lightEnabled && hasColour(state_.light.specular) && hasColour(state_.material.specular);
    if (const Program* program = builtProgram(key)) return program;
    if (!key.wideLines) return nullptr;
    key.wideLines = false;
    return builtProgram(key);
}

bool GlDevice::prepareDraw(Primitive primitive, const VertexLayout& layout) {
    const Program* program = programFor(primitive, layout);
    if (program == nullptr) return false;
    glUseProgram(program->id);
    glBindFramebuffer(GL_FRAMEBUFFER, drawTarget());
    glBindVertexArray(vertexArray_);
    applyFixedFunctionState();
    if (program->wideLines) {
        // The quads stand for lines: never culled, always filled.
        glDisable(GL_CULL_FACE);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    }
    uploadUniforms(*program, layout);
    bindTextureStage();
    return true;
}

void GlDevice::bindAttributes(const VertexLayout& layout, size_t base) {
    const auto stride = static_cast<GLsizei>(layout.stride);
    auto offset = [base](int bytes) { return reinterpret_cast<const void*>(base + static_cast<uintptr_t>(bytes)); };
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, layout.preTransformed ? 4 : 3, GL_FLOAT, GL_FALSE, stride, offset(layout.position));
    if (layout.normal >= 0) {
        glEnableVertexAttribArray(1);
        glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, stride, offset(layout.normal));
    } else {
        glDisableVertexAttribArray(1);
        glVertexAttrib3f(1, 0.0f, 0.0f, 0.0f);
    }
    if (layout.diffuse >= 0) {
        // 0xAARRGGBB sits in memory as B, G, R, A: GL_BGRA reads it as RGBA.
        glEnableVertexAttribArray(2);
        glVertexAttribPointer(2, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, stride, offset(layout.diffuse));
    } else {
        glDisableVertexAttribArray(2);
        glVertexAttrib4f(2, 1.0f, 1.0f, 1.0f, 1.0f);
    }
    if (layout.texCoord >= 0) {
        glEnableVertexAttribArray(3);
        glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, stride, offset(layout.texCoord));
    } else {
        glDisableVertexAttribArray(3);
        glVertexAttrib2f(3, 0.0f, 0.0f);
    }
}

void GlDevice::drawIndexed(Primitive primitive, uint32_t vertexFlags, BufferHandle vertices, int vertexCount,
                           BufferHandle indices, int indexCount) {
    const VertexLayout layout = vertexLayout(vertexFlags);
    const Buffer* vertexBuffer = findBuffer(vertices);
    const Buffer* indexBuffer = findBuffer(indices);
    if (lost_ || vertexBuffer == nullptr || indexBuffer == nullptr ||
        !indexedDrawFits(vertexBuffer->extent, indexBuffer->extent, layout.stride, vertexCount, indexCount)) {
        return;
    }
    if (!prepareDraw(primitive, layout)) return;
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer->name);
    bindAttributes(layout);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer->name);
    glDrawElements(primitiveMode(primitive), indexCount, GL_UNSIGNED_SHORT, nullptr);
    handOverHeavyWork(indexCount);
}

void GlDevice::handOverHeavyWork(int indexCount) {
    // A software rasteriser starts on the pixels of what it was handed only
    // at a flush; in a frame of many triangles an early flush lets its
    // threads fill pixels while this thread still transforms the rest.
    indicesSinceFlush_ += indexCount;
    if (indicesSinceFlush_ < kIndicesPerFlush) return;
    glFlush();
    indicesSinceFlush_ = 0;
}

void GlDevice::draw(Primitive primitive, uint32_t vertexFlags, BufferHandle vertices, int vertexCount) {
    const VertexLayout layout = vertexLayout(vertexFlags);
    const Buffer* vertexBuffer = findBuffer(vertices);
    if (lost_ || vertexBuffer == nullptr || !verticesFit(vertexBuffer->extent, layout.stride, vertexCount)) return;
    if (!prepareDraw(primitive, layout)) return;
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer->name);
    bindAttributes(layout);
    glDrawArrays(primitiveMode(primitive), 0, vertexCount);
}

void GlDevice::drawUser(Primitive primitive, uint32_t vertexFlags, const void* vertices, int vertexCount,
                        const uint16_t* indices, int indexCount) {
    const VertexLayout layout = vertexLayout(vertexFlags);
    const bool indicesValid =
        indices == nullptr || (indexCount > 0 && largestIndex(indices, static_cast<size_t>(indexCount)) < vertexCount);
    if (lost_ || layout.stride == 0 || vertices == nullptr || vertexCount <= 0 || !indicesValid) return;
    if (!prepareDraw(primitive, layout)) return;
    const size_t vertexBytes = static_cast<size_t>(vertexCount) * layout.stride;
    const size_t vertexStart = appendToStream(streamVertices_, GL_ARRAY_BUFFER, vertices, vertexBytes);
    if (vertexStart == SIZE_MAX) return;
    bindAttributes(layout, vertexStart);
    if (indices == nullptr) {
        glDrawArrays(primitiveMode(primitive), 0, vertexCount);
        return;
    }
    const size_t indexBytes = static_cast<size_t>(indexCount) * sizeof(uint16_t);
    const size_t indexStart = appendToStream(streamIndices_, GL_ELEMENT_ARRAY_BUFFER, indices, indexBytes);
    if (indexStart == SIZE_MAX) return;
    glDrawElements(primitiveMode(primitive), indexCount, GL_UNSIGNED_SHORT,
                   reinterpret_cast<const void*>(static_cast<uintptr_t>(indexStart)));
}

void GlDevice::clear(uint32_t flags, uint32_t argb, float depth, int stencil) {
    if (lost_) return;
    GLbitfield bits = 0;
    if (flags & kClearTarget) {
        const ColourValue colour = colourFromArgb(argb);
        glClearColor(colour.r, colour.g, colour.b, 1.0f);
        clearArgb_ = argb;
        bits |= GL_COLOR_BUFFER_BIT;
    }
    if (flags & kClearDepth) {
        glClearDepth(std::clamp(static_cast<double>(depth), 0.0, 1.0));
        glDepthMask(GL_TRUE);  // a clear ignores the depth-write state
        bits |= GL_DEPTH_BUFFER_BIT;
    }
    if (flags & kClearStencil) {
        glClearStencil(stencil);
        glStencilMask(0xFFFFFFFFu);
        bits |= GL_STENCIL_BUFFER_BIT;
    }
    if (bits == 0) return;
    // A new frame begins with the clear of its colour: the moment to move between targets.
    if (flags & kClearTarget) {
        chooseDrawTarget();
    } else {
        glBindFramebuffer(GL_FRAMEBUFFER, drawTarget());
    }
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClear(bits);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
}

bool GlDevice::present() {
    if (lost_) return false;
    // Presenting hands the whole frame over: the count starts again.
    indicesSinceFlush_ = 0;
    endReducedScene();
    if (window_ == nullptr) {
        glFlush();
        return true;
    }
    if (offscreen_) {
        int windowWidth = 0;
        int windowHeight = 0;
        SDL_GL_GetDrawableSize(window_, &windowWidth, &windowHeight);
        const bool sameSize = windowWidth == width_ && windowHeight == height_;
        glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glBlitFramebuffer(0, 0, width_, height_, 0, 0, windowWidth, windowHeight, GL_COLOR_BUFFER_BIT,
                          sameSize ? GL_NEAREST : GL_LINEAR);
    }
    SDL_GL_SwapWindow(window_);
    glBindFramebuffer(GL_FRAMEBUFFER, drawTarget());
    return true;
}

bool GlDevice::prepareReducedTargets(int width, int height) {
    if (reducedFramebuffer_ != 0 && width == reducedWidth_ && height == reducedHeight_) return true;
    destroyReducedTargets();
    const bool complete = makeRenderTarget(width, height, reducedFramebuffer_, reducedColour_, reducedDepthStencil_,
                                           ColourStore::Texture);
    glBindFramebuffer(GL_FRAMEBUFFER, frameTarget());
    if (!complete) {
        destroyReducedTargets();
        return false;
    }
    reducedWidth_ = width;
    reducedHeight_ = height;
    return true;
}

void GlDevice::destroyReducedTargets() {
    if (reducedColour_ != 0) glDeleteTextures(1, &reducedColour_);
    reducedColour_ = 0;
    deleteRenderTarget(reducedFramebuffer_, reducedColour_, reducedDepthStencil_);
    reducedWidth_ = reducedHeight_ = 0;
    reduced_ = false;
    sceneForWidth_ = sceneForHeight_ = 0;
}

bool GlDevice::beginReducedScene(int divisor) {
    if (lost_ || reduced_ || divisor < 1 || divisor > kMaxReducedDivisor) return false;
    const int width = std::max(1, width_ / divisor);
    const int height = std::max(1, height_ / divisor);
    if (!prepareReducedTargets(width, height)) return false;
    reduced_ = true;
    glBindFramebuffer(GL_FRAMEBUFFER, reducedFramebuffer_);
    glViewport(0, 0, width, height);
    const ColourValue colour = colourFromArgb(clearArgb_);
    glClearColor(colour.r, colour.g, colour.b, 1.0f);
    glClearDepth(1.0);
    glClearStencil(0);
    glDepthMask(GL_TRUE);
    glStencilMask(0xFFFFFFFFu);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
    return true;
}

void GlDevice::endReducedScene() {
    if (!reduced_) return;
    reduced_ = false;
    sceneForWidth_ = width_;
    sceneForHeight_ = height_;
    stretchReducedScene();
}

bool GlDevice::repeatLastScene() {
    if (lost_ || reduced_ || reducedFramebuffer_ == 0 || sceneForWidth_ != width_ || sceneForHeight_ != height_)
        return false;
    stretchReducedScene();
    return true;
}

void GlDevice::stretchReducedScene() {
    glBindFramebuffer(GL_FRAMEBUFFER, frameTarget());
    glViewport(0, 0, width_, height_);
    // Drawn as one triangle over the frame: the software rasteriser shares
    // a draw among its threads, where its blit keeps this thread busy too.
    // Each pixel of the reduced scene becomes a block of divisor x divisor
    // pixels (nearest texel): filtering would cost llvmpipe about twice as
    // much a pixel, and the view is reduced only while it moves.
    // Every draw sets program, vertex array and fixed-function state anew,
    // so what is changed here needs no restoring.
    if (stretchProgram() != 0) {
        glUseProgram(stretchProgram_);
        glBindVertexArray(stretchVertexArray_);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        glDisable(GL_CULL_FACE);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, reducedColour_);
        glBindSampler(0, 0);
        glDrawArrays(GL_TRIANGLES, 0, 3);
        glBindVertexArray(vertexArray_);
        return;
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, reducedFramebuffer_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, frameTarget());
    glBlitFramebuffer(0, 0, reducedWidth_, reducedHeight_, 0, 0, width_, height_, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, frameTarget());
}

GLuint GlDevice::stretchProgram() {
    if (stretchTried_) return stretchProgram_;
    stretchTried_ = true;
    const GLuint vertex = compileShader(GL_VERTEX_SHADER, "", shaders::kStretchVertex);
    const GLuint fragment = compileShader(GL_FRAGMENT_SHADER, "", shaders::kStretchFragment);
    if (vertex != 0 && fragment != 0) {
        stretchProgram_ = linkProgram({vertex, fragment});
        if (stretchProgram_ != 0) glGenVertexArrays(1, &stretchVertexArray_);
    }
    if (vertex != 0) glDeleteShader(vertex);
    if (fragment != 0) glDeleteShader(fragment);
    return stretchProgram_;
}

bool GlDevice::readBackBuffer(std::vector<unsigned char>& rgba, int& width, int& height) {
    if (lost_ || width_ <= 0 || height_ <= 0) return false;
    const size_t rowBytes = static_cast<size_t>(width_) * 4;
    std::vector<unsigned char> bottomUp(rowBytes * static_cast<size_t>(height_));
    glBindFramebuffer(GL_FRAMEBUFFER, frameTarget());
    glReadBuffer(offscreen_ ? GL_COLOR_ATTACHMENT0 : GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    rgba.resize(bottomUp.size());
    for (int row = 0; row < height_; ++row) {
        std::memcpy(&rgba[static_cast<size_t>(row) * rowBytes],
                    &bottomUp[static_cast<size_t>(height_ - 1 - row) * rowBytes], rowBytes);
    }
    width = width_;
    height = height_;
    return true;
}

bool contextIsAtLeast33() {
    GLint major = 0;
    GLint minor = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    return major > 3 || (major == 3 && minor >= 3);
}

}  // namespace

void configureGlAttributes() {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
}

namespace {

// A software rasteriser allocates and frees its large per-frame buffers every
// frame. Left to its defaults the C library hands such blocks back to the
// kernel at once, which clears fresh pages for the next frame: thousands of
// page faults and milliseconds per frame for a big mesh. Freed memory is kept
// in the heap for reuse instead.
void keepFrameBuffersInHeap() {
    constexpr int kLargestHeapBlock = 32 * 1024 * 1024;
    constexpr int kKeptFreeMemory = 512 * 1024 * 1024;
    mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock);
    mallopt(M_TRIM_THRESHOLD, kKeptFreeMemory);
}

}  // namespace

std::unique_ptr<GraphicsDevice> createGlDevice(SDL_Window* window, int width, int height) {
    if (SDL_GL_GetCurrentContext() == nullptr) {
        logError("No OpenGL context is current");
        return nullptr;
    }
    if (width <= 0 || height <= 0) {
        logError("Back buffer of " + std::to_string(width) + " x " + std::to_string(height) + " pixels");
        return nullptr;
    }
    if (!contextIsAtLeast33()) {
        const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
        logError(std::string("OpenGL 3.3 is needed, the context offers ") + (version ? version : "?"));
        return nullptr;
    }
    keepFrameBuffersInHeap();
    auto device = std::make_unique<GlDevice>(window, width, height);
    if (!device->createDeviceObjects()) return nullptr;
    // Presentation does not wait for the vertical retrace.
    if (window != nullptr) SDL_GL_SetSwapInterval(0);
    return device;
}

// --- hidden window -------------------------------------------------------------------

std::unique_ptr<HiddenGlWindow> HiddenGlWindow::create(int width, int height) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return nullptr;
    std::unique_ptr<HiddenGlWindow> result(new HiddenGlWindow());
    configureGlAttributes();
    result->window_ = SDL_CreateWindow("Plastora", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height,
                                       SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (result->window_ == nullptr) return nullptr;
    result->context_ = SDL_GL_CreateContext(result->window_);
    if (result->context_ == nullptr || !contextIsAtLeast33()) return nullptr;
    return result;
}

HiddenGlWindow::~HiddenGlWindow() {
    if (context_ != nullptr) SDL_GL_DeleteContext(context_);
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool HiddenGlWindow::makeCurrent() const { return SDL_GL_MakeCurrent(window_, context_) == 0; }

}  // namespace gfx
