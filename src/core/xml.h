// The small XML dialect of the configuration and project files: elements,
// unquoted attributes and text; no declarations, comments, entities, quoting
// or escaping. What writeNode writes, parse reads back.
#pragma once

#include "core/string.h"

#include <memory>
#include <vector>

struct XmlAttribute {
    String name;
    String value;
};

// One element. Owns its children; deleting a node deletes its subtree.
class XmlNode {
public:
    explicit XmlNode(const String& name);
    // Frees the subtree without recursion, so that a very deep tree cannot
    // overflow the stack.
    ~XmlNode();
    XmlNode(const XmlNode&) = delete;
    XmlNode& operator=(const XmlNode&) = delete;

    // Appends `child` (taking ownership) and sets its parent. Returns it.
    XmlNode* addChild(std::unique_ptr<XmlNode> child);
    // Convenience: appends a new child with the given name and text.
    XmlNode* addChild(const String& name, const String& text = String());
    void addAttribute(const String& name, const String& value);
    // Copy of attribute `index` (an empty record outside the range).
    XmlAttribute attribute(int index) const;
    void setAttributes(const std::vector<XmlAttribute>& attributes);
    void setText(const String& text);

    const String& name() const { return name_; }
    const String& text() const { return text_; }
    XmlNode* parent() const { return parent_; }
    int childCount() const { return static_cast<int>(children_.size()); }
    // Child `index`, or null outside the range.
    XmlNode* child(int index) const;
    int attributeCount() const { return static_cast<int>(attributes_.size()); }

    // First child whose name equals `name` exactly, or null.
    XmlNode* findChild(const char* name) const;
    // Value of the first attribute named `name`, or null.
    const String* findAttribute(const char* name) const;

private:
    String name_;
    String text_;
    XmlNode* parent_ = nullptr;
    std::vector<std::unique_ptr<XmlNode>> children_;
    std::vector<XmlAttribute> attributes_;
};

// Receiver of parser events.
class SaxHandler {
public:
    virtual ~SaxHandler() = default;
    virtual void startElement(const String& name, const std::vector<XmlAttribute>& attributes) = 0;
    virtual void characters(const String& text) = 0;
    virtual void endElement(const String& name) = 0;
};

class XmlDocument;

// Builds the tree of one document from parser events.
class DomHandler : public SaxHandler {
public:
    explicit DomHandler(XmlDocument& document) : document_(document) {}
    void startElement(const String& name, const std::vector<XmlAttribute>& attributes) override;
    void characters(const String& text) override;
    void endElement(const String& name) override;

private:
    XmlDocument& document_;
    // Depth inside an element that arrived after the root was closed: such a
    // second top-level element and its subtree are ignored.
    int ignoredDepth_ = 0;
};

class XmlDocument {
public:
    // Deletes any old tree and reads the file. A missing or unreadable file
    // leaves the document empty (root null). Returns true if a root exists.
    bool parse(const String& path);
    // As parse, from bytes in memory.
    bool parseBuffer(const unsigned char* bytes, size_t count);

    XmlNode* root() const { return root_.get(); }
    void setRoot(std::unique_ptr<XmlNode> root);
    void clear();

private:
    friend class DomHandler;
    std::unique_ptr<XmlNode> root_;
    XmlNode* current_ = nullptr;
};

// Feeds the events of the bytes to `handler`. Always advances, never reads
// past `count`, whatever the input.
void parseXml(const unsigned char* bytes, size_t count, SaxHandler& handler);

// Appends `node` and its subtree to the file at `path` with `indentUnit`
// spaces per depth, starting at `depth` (callers use 4 and 0). The writer
// only appends: delete the file first. False if a write failed.
bool writeNode(const XmlNode& node, const String& path, int indentUnit, int depth);

// The text writeNode would append, as bytes in memory.
String formatNode(const XmlNode& node, int indentUnit, int depth);

// Writes the document's tree (indent unit 4) to a temporary file beside
// `path` and renames it over `path`: a failure midway leaves the old file as
// it was. A document without a root writes nothing and returns false.
bool saveDocument(const XmlDocument& document, const String& path);
