// A generated catalogue document for the catalogue benchmarks.
#pragma once

#include <algorithm>
#include <sstream>
#include <string>

namespace quorvi::bench {

// A catalogue of `count` applications in groups of 60; every tenth is recommended.
// Captions hold Chinese text and a quote, as real ones may.
inline std::string GenerateCatalogueDocument(int count) {
    std::ostringstream xml;
    xml << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<apps>\n";
    for (int first = 0; first < count; first += 60) {
        const int group = first / 60 + 1;
        xml << "<group caption=\"\xE5\x88\x86\xE7\xB1\xBB " << group << "\" icon=\"nav/" << group
            << ".png\" iconMd5=\"0\" mark=\"m" << group << "\" id=\"" << group << "\">\n";
        for (int i = first; i < std::min(first + 60, count); ++i) {
            const int id = 100000 + i;
            xml << "  <app caption=\"\xE5\xBA\x94\xE7\x94\xA8 &apos;" << i << "\" icon=\"apps/"
                << id << ".png\" iconMd5=\"0123456789abcdef0123456789abcdef\" id=\"" << id
                << "\" action=\"web\"";
            if (i % 10 == 0) xml << " appRecommend=\"" << (i / 10) % 4 + 1 << "\"";
            xml << ">http://apps.example.edu/open?id=" << id << "</app>\n";
        }
        xml << "</group>\n";
    }
    xml << "</apps>\n";
    return xml.str();
}

}  // namespace quorvi::bench
