// The nesting measure against TinyXML itself: whatever the text, the depth
// TinyXML's recursive parse reaches (the tree it links, also on errors) is
// never more than the measure says, in any of TinyXML's encodings.
#include <tinyxml.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/xml_nesting.h"

namespace {

int TinyXmlDepth(const std::string& buffer, TiXmlEncoding encoding) {
    TiXmlDocument document;
    document.Parse(buffer.c_str(), nullptr, encoding);
    int deepest = 0;
    std::vector<std::pair<const TiXmlNode*, int>> pending{{&document, 0}};
    while (!pending.empty()) {
        auto [node, depth] = pending.back();
        pending.pop_back();
        deepest = std::max(deepest, depth);
        for (const TiXmlNode* child = node->FirstChild(); child; child = child->NextSibling())
            if (child->ToElement()) pending.emplace_back(child, depth + 1);
    }
    return deepest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const int measured = platform::XmlNestingDepth(text);
    // Parsing what the measure refuses could overflow the stack; short inputs cannot.
    if (measured < 0 && size > 2000) return 0;
    const std::string buffer = platform::XmlParseBuffer(text);
    for (TiXmlEncoding encoding :
         {TIXML_ENCODING_UTF8, TIXML_ENCODING_LEGACY, TIXML_ENCODING_UNKNOWN}) {
        const int reached = TinyXmlDepth(buffer, encoding);
        if (measured >= 0 && reached > measured) std::abort();
    }
    return 0;
}
