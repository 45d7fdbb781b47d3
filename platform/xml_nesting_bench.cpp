// The nesting measure on catalogue documents of 1,000 and 20,000 applications
// (about 0.17 and 3.5 MB), against TinyXML parsing the same text, which the
// measure guards and which must stay the larger cost.
//
// Goals: the measure is linear in the document (its time per megabyte on the
// large document within 1.15x of that on the small one) and costs at most half
// of TinyXML's parse. Medians of the runs, in processor time of the thread
// (a busy machine disturbs it far less than wall time).
//
// Usage: xml_nesting_bench [runs]
#include <tinyxml.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/bench_report.h"
#include "platform/xml_nesting.h"

namespace {

using Clock = platform::ThreadClock;

// A catalogue as the portal sends it: groups of 60 applications with Chinese
// captions, a comment per group and every tenth application recommended.
std::string CatalogueDocument(int applications) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<apps>\n";
    for (int first = 0; first < applications; first += 60) {
        const std::string group = std::to_string(first / 60 + 1);
        xml += "<!-- group " + group + " -->\n<group caption=\"\xE5\x88\x86\xE7\xB1\xBB " + group +
               "\" icon=\"nav/" + group + ".png\" iconMd5=\"0\" mark=\"m" + group + "\" id=\"" +
               group + "\">\n";
        for (int i = first; i < std::min(first + 60, applications); ++i) {
            const std::string id = std::to_string(100000 + i);
            xml += "  <app caption=\"\xE5\xBA\x94\xE7\x94\xA8 " + std::to_string(i) +
                   "\" icon=\"apps/" + id +
                   ".png\" iconMd5=\"0123456789abcdef0123456789abcdef\" id=\"" + id +
                   "\" action=\"web\"";
            if (i % 10 == 0) xml += " appRecommend=\"" + std::to_string(i / 10 % 4 + 1) + "\"";
            xml += ">http://apps.example.edu/open?id=" + id + "</app>\n";
        }
        xml += "</group>\n";
    }
    return xml + "</apps>\n";
}

template <typename Work>
double MedianMilliseconds(int runs, Work work) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

struct Figures {
    double megabytes = 0, measure = 0, parse = 0;
};

Figures Measure(int applications, int runs) {
    const std::string text = CatalogueDocument(applications);
    Figures f;
    f.megabytes = text.size() / 1e6;
    int depth = 0;
    f.measure = MedianMilliseconds(runs, [&] { depth = platform::XmlNestingDepth(text); });
    if (depth != 3) {
        std::fprintf(stderr, "xml_nesting_bench: depth %d, not 3\n", depth);
        std::exit(1);
    }
    f.parse = MedianMilliseconds(runs, [&] {
        TiXmlDocument document;
        document.Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
        if (document.Error()) std::exit(1);
    });
    std::printf("%6d applications, %5.2f MB: measure %8.2f ms, TinyXML parse %8.2f ms\n",
                applications, f.megabytes, f.measure, f.parse);
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    std::printf("nesting measure against TinyXML's parse, medians of %d runs\n", runs);
    const Figures small = Measure(1000, runs * 5);
    const Figures large = Measure(20000, runs);
    bool met = platform::PrintBenchRow("XML nesting check: ms per MB, 20,000 against 1,000 apps",
                                       large.measure / large.megabytes,
                                       small.measure / small.megabytes, "ms/MB", {1.15});
    met &= platform::PrintBenchRow("XML nesting check of 20,000 apps against TinyXML's parse",
                                   large.measure, large.parse, "ms", {0.5});
    return met ? 0 : 1;
}
