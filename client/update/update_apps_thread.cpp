// Sections: settings | FetchFile | icon paths | the icon pass | the run | the worker
#include "client/update/update_apps_thread.h"

#include <tinyxml.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>

#include "client/common/portal_urls.h"
#include "libmerv/http_get.h"
#include "libmerv/libmerv.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/text.h"
#include "platform/xml_nesting.h"
#include "quorvi/shipped_skin_files.h"

namespace quorvi {

// ---- settings ----------------------------------------------------------------------------

AppsUpdateSettings AppsUpdateSettings::Default() {
    AppsUpdateSettings settings;
    settings.programFolder = platform::ProgramFolder();
    settings.catalogueUrl = urls::kCatalogueUrl.str();
    settings.iconServer = urls::kApplicationServer.str();
    return settings;
}

// ---- FetchFile -----------------------------------------------------------------------------
namespace {

merv::HttpOptions TransferOptions(const AppsUpdateSettings& settings) {
    merv::HttpOptions options;
    options.limits = settings.limits;
    options.stop = settings.stop;
    return options;
}

}  // namespace

bool FetchFile(const std::string& url, const std::string& path, const merv::HttpOptions& options) {
    return merv::HttpGetFile(url, path, options).Succeeded();
}

// ---- icon paths ------------------------------------------------------------------------------
namespace {

bool IsImageFileName(std::string_view icon) {
    for (std::string_view extension : {".png", ".jpg", ".jpeg", ".gif", ".bmp", ".ico"}) {
        if (platform::EndsWithIgnoringAsciiCase(icon, extension)) return true;
    }
    return false;
}

// Compared without regard to case, so that a file system that ignores case
// gives no way round it either.
bool IsShippedSkinFile(std::string_view icon) {
    for (std::string_view shipped : kShippedSkinFiles) {
        if (platform::EqualsIgnoringAsciiCase(icon, shipped)) return true;
    }
    return false;
}

void LogRefusedIcon(const std::string& icon, const char* reason) {
    platform::LogWarning("icon \"" + icon + "\" skipped: " + reason);
}

}  // namespace

bool IsIconNameAllowed(const std::string& icon) {
    return IsIconPathInsideSkin(icon) && IsImageFileName(icon) &&
           icon.find_first_of("'\"") == std::string::npos && !IsShippedSkinFile(icon);
}

bool IsIconPathInsideSkin(const std::string& icon) {
    if (icon.empty()) return false;
    // Both separators count: a "\" is one on the system's other platform.
    std::size_t start = 0;
    while (true) {
        const std::size_t end = icon.find_first_of("/\\", start);
        const std::string part = icon.substr(start, end - start);
        if (part.empty() || part == "..") return false;  // also refuses a leading separator
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

namespace {

// Built on each use: a worker may still run while static objects are destroyed at exit.
std::string SkinFolder() {
    return std::string("skin") + platform::kPathSeparator + "quorvi" + platform::kPathSeparator;
}

// Creates each missing folder of `relative` (a file path) below `base`.
void CreateFoldersFor(const std::string& base, const std::string& relative) {
    for (std::size_t end = relative.find(platform::kPathSeparator); end != std::string::npos;
         end = relative.find(platform::kPathSeparator, end + 1)) {
        const std::string folder = base + relative.substr(0, end);
        if (!platform::FileExists(folder)) platform::CreateDirectory(folder);
    }
}

// ---- the icon pass ---------------------------------------------------------------------------

void UpdateIcon(const std::string& icon, const std::string& digest,
                const AppsUpdateSettings& settings, AppsUpdateOutcome& outcome) {
    if (settings.stop && *settings.stop) return;  // the program is ending
    ++outcome.iconsChecked;
    if (!IsIconNameAllowed(icon)) {
        ++outcome.iconsRefused;
        LogRefusedIcon(icon, !IsIconPathInsideSkin(icon) ? "outside the skin folder"
                             : IsShippedSkinFile(icon)   ? "a file the program ships"
                             : !IsImageFileName(icon)    ? "not an image file"
                                                         : "holds a quote");
        return;
    }
    // Below the skin folder, with the characters of the document in the system's code page.
    std::string relative = SkinFolder() + platform::Utf8ToGbk(icon);
    Clibmerv::StringReplace(relative, "/", platform::kPathSeparatorText);
    const std::string local = settings.programFolder + relative;

    // An unreadable icon gives an empty digest, which never matches.
    if (platform::FileExists(local) && Clibmerv::FileDigest(local) == digest) return;

    // The transfer goes to a temporary file, so a failed one leaves the old icon whole.
    CreateFoldersFor(settings.programFolder, relative);
    const std::string download = local + ".tmp";
    ++outcome.iconsFetched;
    if (!FetchFile(settings.iconServer + icon, download, TransferOptions(settings))) {
        platform::DeleteFile(download);
        return;
    }
    // A corrupt or empty answer must not replace a good icon: only the bytes the
    // catalogue published (letter case of the digest aside) are put in place.
    const std::string fetched = Clibmerv::FileDigest(download);
    if (!platform::EqualsIgnoringAsciiCase(fetched, digest)) {
        platform::DeleteFile(download);
        ++outcome.iconsMismatched;
        platform::LogWarning("icon \"" + icon + "\" not installed: its digest " + fetched +
                             " is not the published " + digest);
        return;
    }
    const bool placed = platform::FileExists(local) ? platform::ReplaceFile(local, download)
                                                    : platform::MoveFile(download, local);
    if (!placed) {
        platform::DeleteFile(download);
        return;
    }
    ++outcome.iconsReplaced;
    // A side file left by the file update is not yet swapped in: the fresh icon
    // takes its place, so the final updater's swap puts the fresh icon in place.
    platform::ReplaceFile(local + ".vmupdate", local);
}

}  // namespace

void UpdateIcons(const TiXmlElement* element, const AppsUpdateSettings& settings,
                 AppsUpdateOutcome& outcome) {
    if (element == nullptr) return;
    for (const TiXmlElement* child = element->FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement()) {
        // Elements without an icon (structure only) are passed through to their children.
        const char* icon = child->Attribute("icon");
        const char* digest = child->Attribute("iconMd5");
        if (icon != nullptr && digest != nullptr) UpdateIcon(icon, digest, settings, outcome);
        UpdateIcons(child, settings, outcome);
    }
}

// ---- the run ---------------------------------------------------------------------------------
namespace {

// Never destroyed: a worker may still be inside a run while the process exits.
std::mutex& RunLock() {
    static auto* lock = new std::mutex;
    return *lock;
}

bool ReadDownload(const std::string& path, std::string& text) {
    std::ifstream file(platform::GbkToUtf8(path), std::ios::binary);
    if (!file) return false;
    text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return true;
}

// The check runs before TinyXML sees the text: the icon pass parses it too,
// and a document nested too deeply would overflow the stack there.
bool IsCatalogueText(const std::string& text, const AppsUpdateSettings& settings,
                     std::string& reason) {
    if (!platform::XmlNestingWithin(text)) {
        reason = "nested deeper than " + std::to_string(platform::kMaxXmlNesting) + " levels";
        return false;
    }
    if (!settings.isCatalogue) {
        reason = "no catalogue check configured";
        return false;
    }
    return settings.isCatalogue(text, reason);
}

}  // namespace

AppsUpdateOutcome RunAppsUpdate(const AppsUpdateSettings& settings) {
    AppsUpdateOutcome outcome;
    // Every run writes the same "apps.xml.update". A run already busy fetches
    // the same document, so a second one has nothing to add and stands aside.
    std::unique_lock lock(RunLock(), std::try_to_lock);
    if (!lock.owns_lock()) return outcome;
    outcome.ran = true;

    const std::string download = settings.programFolder + "apps.xml.update";
    const std::string current = settings.programFolder + "apps.xml";
    merv::HttpOptions options = TransferOptions(settings);
    options.limits.maximumBodySize = settings.maximumCatalogueSize;
    const bool arrived = FetchFile(settings.catalogueUrl, download, options);
    // An error page or a cut-off answer may still be well-formed XML: only a
    // whole, successful answer that is a catalogue replaces the catalogue.
    if (!arrived) return outcome;
    std::string text;
    if (!ReadDownload(download, text)) return outcome;
    if (!IsCatalogueText(text, settings, outcome.catalogueRefused)) {
        platform::LogWarning("downloaded catalogue " + settings.catalogueUrl +
                             " not installed: " + outcome.catalogueRefused);
        return outcome;
    }
    TiXmlDocument document;
    document.Parse(platform::XmlParseBuffer(text).c_str(), nullptr, TIXML_ENCODING_UNKNOWN);

    // Replaced in one step, so a reader never finds the catalogue missing.
    outcome.catalogueInstalled = platform::FileExists(current)
                                     ? platform::ReplaceFile(current, download)
                                     : platform::MoveFile(download, current);
    UpdateIcons(document.RootElement(), settings, outcome);
    return outcome;
}

// ---- the worker ------------------------------------------------------------------------------

int CUpdateAppsThread::Run() {
    m_settings.stop = &StopFlag();
    RunAppsUpdate(m_settings);
    return Finish();
}

}  // namespace quorvi
