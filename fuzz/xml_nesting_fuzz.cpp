// The nesting measure against TinyXML itself: whatever the text, the depth
// TinyXML's recursive parse reaches (the tree it links, also on errors) is
// never more than the measure says, in any of TinyXML's encodings.
#include <tinyxml.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/tinyxml_depth_test_support.h"
#include "platform/xml_nesting.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const int measured = platform::XmlNestingDepth(text);
    // Parsing what the measure refuses could overflow the stack; short inputs cannot.
    if (measured < 0 && size > 2000) return 0;
    for (TiXmlEncoding encoding :
         {TIXML_ENCODING_UTF8, TIXML_ENCODING_LEGACY, TIXML_ENCODING_UNKNOWN}) {
        const int reached = platform::testing::TinyXmlDepth(text, encoding);
        if (measured >= 0 && reached > measured) std::abort();
    }
    return 0;
}
