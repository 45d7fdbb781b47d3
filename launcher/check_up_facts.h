// What the launcher's check-up pages show: facts it can read about this machine
// and about its own program folder. Nothing here scans or repairs anything.
//
// The readers take their inputs from /proc, /etc/os-release, uname, statvfs
// and the program folder; the parsers and formatters beside them are pure.
//
// Sections: machine | program folder | texts for the pages
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vamo {

// ---- machine -------------------------------------------------------------------
struct MachineFacts {
    std::string hostName;      // empty when unknown
    std::string systemName;    // "Debian GNU/Linux 12 (bookworm)", UTF-8
    std::string kernel;        // release, e.g. "6.1.0-18-amd64"
    std::string architecture;  // e.g. "x86_64"
    std::string processor;     // model name, UTF-8
    int logicalProcessors = 0;
    std::optional<std::uint64_t> memoryTotalBytes;
    std::optional<std::uint64_t> memoryAvailableBytes;
    std::optional<std::uint64_t> uptimeSeconds;
    std::optional<std::uint64_t> diskTotalBytes;  // the program folder's file system
    std::optional<std::uint64_t> diskFreeBytes;   // available to this user
};

// Reads the facts now; `programFolder` names the file system measured.
MachineFacts ReadMachineFacts(const std::string& programFolder);

// PRETTY_NAME of an os-release text (quotes removed), else NAME, else empty.
std::string OsPrettyName(std::string_view osRelease);
// A "Key:   1234 kB" line of /proc/meminfo, in bytes.
std::optional<std::uint64_t> MemInfoBytes(std::string_view meminfo, std::string_view key);
// The first "model name" of /proc/cpuinfo (else "Hardware", else empty), and
// the number of "processor" entries.
std::string CpuModelName(std::string_view cpuinfo);
int CpuCount(std::string_view cpuinfo);
// The first number of /proc/uptime, whole seconds.
std::optional<std::uint64_t> UptimeSeconds(std::string_view uptime);

// ---- program folder --------------------------------------------------------------
struct FolderFacts {
    int sideFiles = 0;         // "*.vmupdate" replacements waiting to be put in place
    int partialDownloads = 0;  // "*.tmp" downloads that did not finish
    std::uint64_t partialBytes = 0;
    std::vector<std::string> plugins;  // folder names under "plugins", GBK, sorted
    bool databasePresent = false;      // "vamo.db"
    bool cataloguePresent = false;     // "apps.xml"
};

// Looks through the program folder (ending in the separator) and its
// subfolders, at most `maxEntries` entries in all so a huge tree cannot hold
// up the window.
FolderFacts ReadFolderFacts(const std::string& programFolder, int maxEntries = 20000);

// ---- texts for the pages -----------------------------------------------------------
// "512 B", "1.5 KB", "7.6 GB" (units of 1024).
std::string FormatBytes(std::uint64_t bytes);

// Replaces every "{key}" of `pattern` by its value. Nothing when the pattern
// names a key without a value (the page then keeps its text for "unknown");
// braces that do not enclose a key stay as they are.
std::optional<std::string> FillPattern(std::string_view pattern,
                                       const std::map<std::string, std::string>& values);

}  // namespace vamo
