#include "support/glb_reader.h"

#include "support/test_support.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstring>
#include <sstream>

namespace testsupport {
namespace {

using nlohmann::json;

std::uint32_t word(const std::vector<unsigned char>& bytes, std::size_t at) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

int componentSize(int type) {
    switch (type) {
        case 5120: case 5121: return 1;
        case 5122: case 5123: return 2;
        case 5125: case 5126: return 4;
        default: return 0;
    }
}

int componentCount(const std::string& type) {
    if (type == "SCALAR") return 1;
    if (type == "VEC2") return 2;
    if (type == "VEC3") return 3;
    if (type == "VEC4") return 4;
    return 0;
}

class Checker {
public:
    Checker(const json& document, const std::vector<unsigned char>& bin) : doc_(document), bin_(bin) {}

    void fault(const std::string& text) { faults_ << text << "\n"; }
    std::string faults() const { return faults_.str(); }

    // The bytes of a buffer view, checked against the buffer.
    bool view(std::size_t index, std::size_t& offset, std::size_t& length, std::size_t& stride) {
        if (!doc_.contains("bufferViews") || index >= doc_["bufferViews"].size()) {
            fault("buffer view " + std::to_string(index) + " does not exist");
            return false;
        }
        const json& v = doc_["bufferViews"][index];
        if (v.value("buffer", -1) != 0) fault("buffer view " + std::to_string(index) + " is not in buffer 0");
        offset = v.value("byteOffset", 0u);
        length = v.value("byteLength", 0u);
        stride = v.value("byteStride", 0u);
        if (offset + length > bin_.size()) {
            fault("buffer view " + std::to_string(index) + " reaches past the binary chunk");
            return false;
        }
        return true;
    }

    // Reads accessor `index` as floats (or integers) with `components` each.
    template <typename T>
    std::vector<T> accessor(std::size_t index, const std::string& wantedType, int wantedComponent) {
        std::vector<T> values;
        if (index >= doc_["accessors"].size()) {
            fault("accessor " + std::to_string(index) + " does not exist");
            return values;
        }
        const json& a = doc_["accessors"][index];
        const std::string type = a.value("type", "");
        const int component = a.value("componentType", 0);
        const std::size_t count = a.value("count", 0u);
        if (type != wantedType) fault("accessor " + std::to_string(index) + " is " + type + ", not " + wantedType);
        if (component != wantedComponent) fault("accessor " + std::to_string(index) + " has component type " +
                                                 std::to_string(component));
        const int size = componentSize(component) * componentCount(type);
        std::size_t offset = 0, length = 0, stride = 0;
        if (size == 0 || !view(a.value("bufferView", 0u), offset, length, stride)) return values;
        offset += a.value("byteOffset", 0u);
        if (stride == 0) stride = static_cast<std::size_t>(size);
        if (offset % static_cast<std::size_t>(componentSize(component)) != 0) {
            fault("accessor " + std::to_string(index) + " is not aligned");
        }
        const std::size_t viewEnd = doc_["bufferViews"][a.value("bufferView", 0u)].value("byteOffset", 0u) + length;
        if (count == 0 || offset + (count - 1) * stride + static_cast<std::size_t>(size) > viewEnd) {
            fault("accessor " + std::to_string(index) + " reaches past its buffer view (count " +
                  std::to_string(count) + ")");
            return values;
        }
        const int perElement = componentCount(type);
        values.resize(count * static_cast<std::size_t>(perElement));
        for (std::size_t i = 0; i < count; ++i) {
            std::memcpy(&values[i * perElement], bin_.data() + offset + i * stride, static_cast<std::size_t>(size));
        }
        return values;
    }

private:
    const json& doc_;
    const std::vector<unsigned char>& bin_;
    std::ostringstream faults_;
};

}  // namespace

bool readGlb(const std::string& path, GlbMesh& mesh, std::string& error) {
    mesh = GlbMesh();
    const std::vector<unsigned char> bytes = readBytes(path);
    if (bytes.size() < 28) {
        error = "the file is missing or shorter than a header and a chunk";
        return false;
    }
    if (word(bytes, 0) != 0x46546C67u) error += "bad magic\n";
    if (word(bytes, 4) != 2u) error += "version is not 2\n";
    if (word(bytes, 8) != bytes.size()) error += "header length " + std::to_string(word(bytes, 8)) +
                                                 " differs from the file's " + std::to_string(bytes.size()) + "\n";
    const std::uint32_t jsonLength = word(bytes, 12);
    if (word(bytes, 16) != 0x4E4F534Au) error += "first chunk is not JSON\n";
    if (jsonLength % 4 != 0) error += "JSON chunk length is not a multiple of 4\n";
    if (20ull + jsonLength + 8 > bytes.size()) {
        error += "JSON chunk reaches past the file\n";
        return false;
    }
    const std::size_t binAt = 20 + jsonLength;
    const std::uint32_t binLength = word(bytes, binAt);
    if (word(bytes, binAt + 4) != 0x004E4942u) error += "second chunk is not BIN\n";
    if (binLength % 4 != 0) error += "BIN chunk length is not a multiple of 4\n";
    if (binAt + 8 + binLength != bytes.size()) error += "BIN chunk does not end the file\n";
    if (!error.empty()) return false;
    const std::vector<unsigned char> bin(bytes.begin() + static_cast<long>(binAt + 8), bytes.end());

    const json document = json::parse(bytes.begin() + 20, bytes.begin() + static_cast<long>(binAt), nullptr, false);
    if (document.is_discarded()) {
        error = "the JSON chunk does not parse";
        return false;
    }
    Checker check(document, bin);
    if (document.value("/asset/version"_json_pointer, "") != "2.0") check.fault("asset.version is not 2.0");
    if (!document.contains("buffers") || document["buffers"].size() != 1 ||
        document["buffers"][0].value("byteLength", 0u) > bin.size() || document["buffers"][0].contains("uri")) {
        check.fault("there must be one buffer, inside the BIN chunk, without uri");
    }
    const json primitive = document.value("/meshes/0/primitives/0"_json_pointer, json());
    if (!primitive.is_object() || !primitive.contains("attributes")) {
        error = "no mesh primitive\n" + check.faults();
        return false;
    }
    if (primitive.value("mode", 4) != 4) check.fault("the primitive is not triangles");
    const json& attributes = primitive["attributes"];

    const std::vector<float> p = check.accessor<float>(attributes.value("POSITION", 9999u), "VEC3", 5126);
    for (std::size_t i = 0; i + 2 < p.size(); i += 3) mesh.positions.push_back({p[i], p[i + 1], p[i + 2]});
    const json& positionAccessor = document["accessors"][attributes.value("POSITION", 0u)];
    if (!positionAccessor.contains("min") || !positionAccessor.contains("max")) check.fault("POSITION has no bounds");
    for (int c = 0; c < 3 && !mesh.positions.empty(); ++c) {
        float low = mesh.positions[0][c];
        float high = low;
        for (const auto& q : mesh.positions) {
            low = std::min(low, q[c]);
            high = std::max(high, q[c]);
        }
        if (positionAccessor.value("min", json::array()).size() != 3 ||
            positionAccessor["min"][c].get<float>() != low || positionAccessor["max"][c].get<float>() != high) {
            check.fault("POSITION bounds differ from the data on axis " + std::to_string(c));
        }
    }
    if (attributes.contains("NORMAL")) {
        const std::vector<float> n = check.accessor<float>(attributes["NORMAL"].get<std::size_t>(), "VEC3", 5126);
        for (std::size_t i = 0; i + 2 < n.size(); i += 3) {
            mesh.normals.push_back({n[i], n[i + 1], n[i + 2]});
            const float length = std::sqrt(n[i] * n[i] + n[i + 1] * n[i + 1] + n[i + 2] * n[i + 2]);
            if (std::fabs(length - 1.0f) > 1e-3f) {
                check.fault("normal " + std::to_string(i / 3) + " is not of unit length");
                break;
            }
        }
        if (mesh.normals.size() != mesh.positions.size()) check.fault("NORMAL count differs from POSITION");
    }
    if (attributes.contains("TEXCOORD_0")) {
        const std::vector<float> t = check.accessor<float>(attributes["TEXCOORD_0"].get<std::size_t>(), "VEC2", 5126);
        for (std::size_t i = 0; i + 1 < t.size(); i += 2) mesh.uvs.push_back({t[i], t[i + 1]});
        if (mesh.uvs.size() != mesh.positions.size()) check.fault("TEXCOORD_0 count differs from POSITION");
    }
    if (!primitive.contains("indices")) {
        check.fault("the primitive has no indices");
    } else {
        const std::size_t indexAccessor = primitive["indices"].get<std::size_t>();
        const int component = document["accessors"][indexAccessor].value("componentType", 0);
        if (component == 5125) {
            mesh.indices = check.accessor<std::uint32_t>(indexAccessor, "SCALAR", 5125);
        } else {
            for (std::uint16_t i : check.accessor<std::uint16_t>(indexAccessor, "SCALAR", 5123)) mesh.indices.push_back(i);
        }
        if (mesh.indices.size() % 3 != 0) check.fault("index count is not a multiple of 3");
        for (std::uint32_t i : mesh.indices) {
            if (i >= mesh.positions.size()) {
                check.fault("index " + std::to_string(i) + " is outside the vertices");
                break;
            }
        }
    }
    if (primitive.contains("material")) {
        const json material = document["materials"][primitive["material"].get<std::size_t>()];
        const json base = material.value("/pbrMetallicRoughness/baseColorTexture"_json_pointer, json());
        if (base.is_object()) {
            const json texture = document["textures"][base.value("index", 0u)];
            const json image = document["images"][texture.value("source", 0u)];
            mesh.textureMimeType = image.value("mimeType", "");
            std::size_t offset = 0, length = 0, stride = 0;
            if (!image.contains("bufferView") || !check.view(image["bufferView"].get<std::size_t>(), offset, length, stride)) {
                check.fault("the texture is not embedded in a buffer view");
            } else {
                String decodeError;
                if (!decodeImageMemory(bin.data() + offset, length, mesh.texture, decodeError)) {
                    check.fault(std::string("the embedded texture does not decode: ") + decodeError.text());
                }
            }
        }
    } else {
        check.fault("the primitive has no material");
    }
    error = check.faults();
    return error.empty();
}

}  // namespace testsupport
