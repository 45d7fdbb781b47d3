// The deepest element TinyXML builds for a text, for checking the nesting
// measure against the parser it guards. Link TinyXML.
#pragma once

#include <tinyxml.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/xml_nesting.h"

namespace platform::testing {

// Parses the text as the programs do (XmlParseBuffer) and walks the tree
// without recursion. TinyXML links a node into the tree also when its parse
// fails, so this is the depth its recursive parse reached.
inline int TinyXmlDepth(const std::string& text, TiXmlEncoding encoding) {
    TiXmlDocument document;
    document.Parse(XmlParseBuffer(text).c_str(), nullptr, encoding);
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

}  // namespace platform::testing
