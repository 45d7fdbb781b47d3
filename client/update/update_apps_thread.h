// The application list and icon update: one worker run fetches the catalogue
// document into "apps.xml.update", installs it as "apps.xml" when it arrived
// whole and parses, and brings every icon the document names level with its
// published digest in the skin folder "skin/quorvi/".
//
// Sections: where a run looks | the plain download | the run | the worker
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "client/common/worker_thread.h"
#include "libmerv/http_get.h"

class TiXmlElement;

namespace quorvi {

// ---- where a run looks -----------------------------------------------------------------
struct AppsUpdateSettings {
    std::string programFolder;  // ends in the path separator
    std::string catalogueUrl;   // the application server's catalogue document
    std::string iconServer;     // base the "icon" attribute is appended to, ends in "/"
    // Whether a downloaded document is a catalogue the client can show; sets
    // `reason` when it is not. A run without it installs nothing.
    std::function<bool(std::string_view document, std::string& reason)> isCatalogue;
    merv::HttpLimits limits = merv::kDefaultHttpLimits;  // of every transfer
    // The catalogue alone may be longer than the limits allow any other answer:
    // a catalogue of 20,000 applications is about 5 MB.
    std::uint64_t maximumCatalogueSize = kMaximumCatalogueSize;
    static constexpr std::uint64_t kMaximumCatalogueSize = 64u << 20;
    // When set, the run ends early once it becomes true (the worker's stop request).
    const std::atomic<bool>* stop = nullptr;

    // The running program's folder and the portal's application server, with no catalogue check.
    static AppsUpdateSettings Default();
};

// ---- the plain download ----------------------------------------------------------------
// Downloads url into path, which is replaced only when the whole answer
// arrived with a success status (and is otherwise left as it was). Creates no
// folder: when path's folder is missing nothing is fetched.
bool FetchFile(const std::string& url, const std::string& path,
               const merv::HttpOptions& options = {});

// ---- the run ---------------------------------------------------------------------------
struct AppsUpdateOutcome {
    bool ran = false;  // false: another run was already busy
    bool catalogueInstalled = false;
    std::string catalogueRefused;  // why a catalogue that arrived whole was not installed
    int iconsChecked = 0;          // elements that name an icon and its digest
    int iconsFetched = 0;          // transfers started
    int iconsReplaced = 0;         // transfers that completed and were put in place
    int iconsMismatched = 0;       // transfers whose bytes were not the published digest
    int iconsRefused = 0;          // names refused (see IsIconNameAllowed)
};

// One whole run. Runs never overlap in a process: a run that finds another one
// busy does nothing and says so.
AppsUpdateOutcome RunAppsUpdate(const AppsUpdateSettings& settings);

// The icon pass over every element below `element`, depth first in document
// order (an element's icon, then its children's, then its next sibling's).
void UpdateIcons(const TiXmlElement* element, const AppsUpdateSettings& settings,
                 AppsUpdateOutcome& outcome);

// Whether an "icon" value names a file inside the skin folder: relative, with
// no ".." part and no empty part.
bool IsIconPathInsideSkin(const std::string& icon);

// Whether an "icon" value may be downloaded: inside the skin folder, an image
// file (.png, .jpg, .jpeg, .gif, .bmp, .ico in any letter case), no quote that
// would break the image description it ends up in, and none of the files the
// program ships in its skin folder (its skins and its own images), which an
// icon would otherwise overwrite.
bool IsIconNameAllowed(const std::string& icon);

// ---- the worker ------------------------------------------------------------------------
// Sends no message; the next loading of "apps.xml" picks up the new catalogue.
class CUpdateAppsThread : public CThread {
public:
    CUpdateAppsThread() : CUpdateAppsThread(AppsUpdateSettings::Default()) {}
    explicit CUpdateAppsThread(AppsUpdateSettings settings) : m_settings(std::move(settings)) {}
    ~CUpdateAppsThread() override { StopAndJoin(); }

protected:
    int Run() override;

private:
    AppsUpdateSettings m_settings;
};

}  // namespace quorvi
