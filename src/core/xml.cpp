#include "core/xml.h"

#include "core/file_io.h"

#include <climits>
#include <string>
#include <utility>

// ---------------------------------------------------------------------------
// XmlNode

XmlNode::XmlNode(const String& name) : name_(name) {}

XmlNode::~XmlNode() {
    // Detach the subtree level by level: every node is destroyed only after
    // its children were moved out, so no destructor recurses.
    std::vector<std::unique_ptr<XmlNode>> pending = std::move(children_);
    children_.clear();
    while (!pending.empty()) {
        std::unique_ptr<XmlNode> node = std::move(pending.back());
        pending.pop_back();
        for (std::unique_ptr<XmlNode>& child : node->children_) pending.push_back(std::move(child));
        node->children_.clear();
    }
}

XmlNode* XmlNode::addChild(std::unique_ptr<XmlNode> child) {
    if (!child) return nullptr;
    child->parent_ = this;
    children_.push_back(std::move(child));
    return children_.back().get();
}

XmlNode* XmlNode::addChild(const String& name, const String& text) {
    auto child = std::make_unique<XmlNode>(name);
    child->setText(text);
    return addChild(std::move(child));
}

void XmlNode::addAttribute(const String& name, const String& value) { attributes_.push_back(XmlAttribute{name, value}); }

XmlAttribute XmlNode::attribute(int index) const {
    if (index < 0 || index >= attributeCount()) return XmlAttribute{};
    return attributes_[static_cast<size_t>(index)];
}

void XmlNode::setAttributes(const std::vector<XmlAttribute>& attributes) { attributes_ = attributes; }

void XmlNode::setText(const String& text) { text_ = text; }

XmlNode* XmlNode::child(int index) const {
    if (index < 0 || index >= childCount()) return nullptr;
    return children_[static_cast<size_t>(index)].get();
}

XmlNode* XmlNode::findChild(const char* name) const {
    for (const std::unique_ptr<XmlNode>& child : children_)
        if (child->name_.equals(name)) return child.get();
    return nullptr;
}

const String* XmlNode::findAttribute(const char* name) const {
    for (const XmlAttribute& attribute : attributes_)
        if (attribute.name.equals(name)) return &attribute.value;
    return nullptr;
}

// ---------------------------------------------------------------------------
// DomHandler

void DomHandler::startElement(const String& name, const std::vector<XmlAttribute>& attributes) {
    if (ignoredDepth_ > 0) {
        ++ignoredDepth_;
        return;
    }
    if (!document_.root_) {
        auto node = std::make_unique<XmlNode>(name);
        node->setAttributes(attributes);
        document_.root_ = std::move(node);
        document_.current_ = document_.root_.get();
        return;
    }
    if (!document_.current_) {
        // The root was closed already: a second top-level element is ignored
        // together with its subtree.
        ignoredDepth_ = 1;
        return;
    }
    auto node = std::make_unique<XmlNode>(name);
    node->setAttributes(attributes);
    document_.current_ = document_.current_->addChild(std::move(node));
}

void DomHandler::characters(const String& text) {
    // Text outside any element (before the root, after it) is dropped.
    if (ignoredDepth_ > 0 || !document_.current_) return;
    document_.current_->setText(text);
}

void DomHandler::endElement(const String&) {
    // The name is not compared with the open element.
    if (ignoredDepth_ > 0) {
        --ignoredDepth_;
        return;
    }
    if (document_.current_) document_.current_ = document_.current_->parent();
}

// ---------------------------------------------------------------------------
// XmlDocument

bool XmlDocument::parse(const String& path) {
    clear();
    std::vector<unsigned char> bytes;
    if (!readFile(path, bytes)) return false;
    return parseBuffer(bytes.data(), bytes.size());
}

bool XmlDocument::parseBuffer(const unsigned char* bytes, size_t count) {
    clear();
    DomHandler handler(*this);
    parseXml(bytes, count, handler);
    current_ = nullptr;
    return root_ != nullptr;
}

void XmlDocument::setRoot(std::unique_ptr<XmlNode> root) {
    root_ = std::move(root);
    current_ = root_.get();
}

void XmlDocument::clear() {
    root_.reset();
    current_ = nullptr;
}

// ---------------------------------------------------------------------------
// Reader

namespace {

// Whitespace is space, CR and LF only: a tab is an ordinary byte.
inline bool isSpace(unsigned char c) { return c == ' ' || c == '\r' || c == '\n'; }
inline bool endsToken(unsigned char c) { return isSpace(c) || c == '>' || c == '=' || c == '<'; }
inline bool endsText(unsigned char c) { return c == '\r' || c == '\n' || c == '>' || c == '=' || c == '<'; }

String makeString(const unsigned char* bytes, size_t count) {
    if (count > static_cast<size_t>(INT_MAX)) count = static_cast<size_t>(INT_MAX);
    return String(static_cast<int>(count), reinterpret_cast<const char*>(bytes));
}

}  // namespace

void parseXml(const unsigned char* bytes, size_t count, SaxHandler& handler) {
    if (!bytes) return;
    size_t p = 0;
    std::vector<XmlAttribute> pending;

    auto skipSpace = [&] {
        while (p < count && isSpace(bytes[p])) ++p;
    };
    auto readToken = [&] {
        size_t begin = p;
        while (p < count && !endsToken(bytes[p])) ++p;
        return makeString(bytes + begin, p - begin);
    };

    while (p < count) {
        skipSpace();
        if (p >= count) break;
        unsigned char c = bytes[p];

        if (c == '<') {
            pending.clear();
            ++p;
            skipSpace();

            // The first token is the tag name; "/name" is a closing tag. A tag
            // without a name prints "End of string failure!" (its first byte is
            // examined) and is otherwise ignored.
            String token = readToken();
            bool named = token.length() > 0;
            bool closing = false;
            String name;
            if (!named) {
                token.at(0);
            } else if (token.text()[0] == '/') {
                closing = true;
                name = String(token.length() - 1, token.text() + 1);
            } else {
                name = std::move(token);
            }
            skipSpace();

            // Then attribute name, optional "=", value; again and again until
            // ">" ends the tag. Every "=" inside a tag is consumed and dropped.
            // A "<" inside a tag ends it unterminated: it is dropped and the
            // "<" starts the next tag.
            bool haveName = false;
            String attributeName;
            while (p < count && bytes[p] != '>' && bytes[p] != '<') {
                if (bytes[p] == '=') {
                    ++p;
                } else if (!haveName) {
                    attributeName = readToken();
                    haveName = true;
                } else {
                    pending.push_back(XmlAttribute{std::move(attributeName), readToken()});
                    attributeName = String();
                    haveName = false;
                }
                skipSpace();
            }

            if (p < count && bytes[p] == '>') {
                ++p;
                if (named) {
                    if (closing)
                        handler.endElement(name);
                    else
                        handler.startElement(name, pending);
                }
            }
        } else if (c == '>' || c == '=') {
            // A stray byte outside a tag: consumed so that reading advances.
            ++p;
        } else {
            // Text up to CR, LF, "<", ">", "=" or the end; never empty here.
            size_t begin = p;
            while (p < count && !endsText(bytes[p])) ++p;
            handler.characters(makeString(bytes + begin, p - begin));
        }
    }
}

// ---------------------------------------------------------------------------
// Writer

namespace {

void appendView(std::string& out, const String& text) { out.append(text.text(), static_cast<size_t>(text.length())); }

// The text of `node` and its subtree, built without recursion.
void formatInto(std::string& out, const XmlNode& root, int indentUnit, int depth) {
    const size_t unit = indentUnit > 0 ? static_cast<size_t>(indentUnit) : 0;
    const size_t firstDepth = depth > 0 ? static_cast<size_t>(depth) : 0;

    auto openTag = [&](const XmlNode& node, size_t level) {
        out.append(unit * level, ' ');
        out += '<';
        appendView(out, node.name());
        for (int i = 0; i < node.attributeCount(); ++i) {
            XmlAttribute attribute = node.attribute(i);
            out += ' ';
            appendView(out, attribute.name);
            out += '=';
            appendView(out, attribute.value);
        }
        out += '>';
    };
    auto closeTag = [&](const XmlNode& node) {
        out += "</";
        appendView(out, node.name());
        out += ">\n";
    };
    // A node without children: its text and the closing tag on the same line.
    auto leaf = [&](const XmlNode& node) {
        appendView(out, node.text());
        closeTag(node);
    };

    struct Frame {
        const XmlNode* node;
        size_t level;
        int next;
    };
    std::vector<Frame> stack;

    openTag(root, firstDepth);
    if (root.childCount() == 0) {
        leaf(root);
        return;
    }
    out += '\n';
    stack.push_back(Frame{&root, firstDepth, 0});
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next < frame.node->childCount()) {
            const XmlNode* child = frame.node->child(frame.next++);
            size_t level = frame.level + 1;
            openTag(*child, level);
            if (child->childCount() == 0) {
                leaf(*child);
            } else {
                out += '\n';
                stack.push_back(Frame{child, level, 0});  // `frame` is not used after this
            }
        } else {
            out.append(unit * frame.level, ' ');
            closeTag(*frame.node);
            stack.pop_back();
        }
    }
}

}  // namespace

bool writeNode(const XmlNode& node, const String& path, int indentUnit, int depth) {
    std::string out;
    formatInto(out, node, indentUnit, depth);
    // appendFile takes an int count: very large texts go in pieces.
    size_t done = 0;
    while (done < out.size()) {
        size_t piece = out.size() - done;
        if (piece > static_cast<size_t>(INT_MAX)) piece = static_cast<size_t>(INT_MAX);
        if (!appendFile(path, out.data() + done, static_cast<int>(piece))) return false;
        done += piece;
    }
    return true;
}

String formatNode(const XmlNode& node, int indentUnit, int depth) {
    std::string out;
    formatInto(out, node, indentUnit, depth);
    if (out.size() > static_cast<size_t>(INT_MAX)) return String();  // does not fit a String
    return String(static_cast<int>(out.size()), out.data());
}

bool saveDocument(const XmlDocument& document, const String& path) {
    if (!document.root()) return false;
    std::string out;
    formatInto(out, *document.root(), 4, 0);
    if (out.size() > static_cast<size_t>(INT_MAX)) return false;
    return replaceFile(path, out.data(), static_cast<int>(out.size()));
}
