// Fuzz target for the XML reader: arbitrary bytes go to parseXml
// with a DomHandler; the tree is printed back with formatNode, read again and
// printed again, which must give the same text (the writer's output is always
// readable). Run with -close_fd_mask=1: nameless tags print a line each.
#include "core/string.h"
#include "core/xml.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    XmlDocument document;
    DomHandler handler(document);
    parseXml(data, size, handler);
    const XmlNode* root = document.root();
    if (!root) return 0;

    String text = formatNode(*root, 1, 0);
    XmlDocument again;
    if (!again.parseBuffer(reinterpret_cast<const unsigned char*>(text.text()), static_cast<size_t>(text.length())))
        __builtin_trap();
    String second = formatNode(*again.root(), 1, 0);
    if (!second.equals(text)) __builtin_trap();
    return 0;
}
