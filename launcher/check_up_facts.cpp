// Sections: machine | program folder | texts for the pages
#include "launcher/check_up_facts.h"

#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/files.h"
#include "platform/text.h"

namespace vamo {

namespace {

std::string ReadSmallFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::string text;
    char buffer[4096];
    // /proc files report size 0: read until the end, at most 1 MB.
    while (in && text.size() < (1u << 20)) {
        in.read(buffer, sizeof buffer);
        text.append(buffer, static_cast<size_t>(in.gcount()));
    }
    return text;
}

// Calls `line` for each line of `text` until it returns true.
template <typename F>
void ForEachLine(std::string_view text, F line) {
    while (!text.empty()) {
        const size_t end = text.find('\n');
        if (line(text.substr(0, end))) return;
        if (end == std::string_view::npos) return;
        text.remove_prefix(end + 1);
    }
}

// The value of a "key : value" line whose key is exactly `key` (blanks around ignored).
std::optional<std::string_view> ColonValue(std::string_view line, std::string_view key) {
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos || platform::TrimAsciiSpace(line.substr(0, colon)) != key)
        return std::nullopt;
    return platform::TrimAsciiSpace(line.substr(colon + 1));
}

std::optional<std::uint64_t> ParseNumber(std::string_view text) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data()) return std::nullopt;
    return value;
}

}  // namespace

// ---- machine -------------------------------------------------------------------
std::string OsPrettyName(std::string_view osRelease) {
    std::string pretty, name;
    ForEachLine(osRelease, [&](std::string_view line) {
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) return false;
        std::string_view key = platform::TrimAsciiSpace(line.substr(0, equals));
        std::string_view value = platform::TrimAsciiSpace(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        if (key == "PRETTY_NAME") pretty = value;
        if (key == "NAME") name = value;
        return false;
    });
    return pretty.empty() ? name : pretty;
}

std::optional<std::uint64_t> MemInfoBytes(std::string_view meminfo, std::string_view key) {
    std::optional<std::uint64_t> bytes;
    ForEachLine(meminfo, [&](std::string_view line) {
        auto value = ColonValue(line, key);
        if (!value) return false;
        const size_t unit = value->find_first_not_of("0123456789");
        auto number = ParseNumber(value->substr(0, unit));
        if (number) {
            const std::string_view suffix =
                unit == std::string_view::npos ? "" : platform::TrimAsciiSpace(value->substr(unit));
            bytes = suffix == "kB" ? *number * 1024 : *number;
        }
        return true;
    });
    return bytes;
}

std::string CpuModelName(std::string_view cpuinfo) {
    std::string model, hardware;
    ForEachLine(cpuinfo, [&](std::string_view line) {
        if (auto value = ColonValue(line, "model name"); value && model.empty()) model = *value;
        if (auto value = ColonValue(line, "Hardware"); value && hardware.empty()) hardware = *value;
        return false;
    });
    return model.empty() ? hardware : model;
}

int CpuCount(std::string_view cpuinfo) {
    int count = 0;
    ForEachLine(cpuinfo, [&](std::string_view line) {
        if (ColonValue(line, "processor")) ++count;
        return false;
    });
    return count;
}

std::optional<std::uint64_t> UptimeSeconds(std::string_view uptime) {
    uptime = platform::TrimAsciiSpace(uptime);
    return ParseNumber(uptime.substr(0, uptime.find_first_of(". ")));
}

MachineFacts ReadMachineFacts(const std::string& programFolder) {
    MachineFacts facts;
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) == 0) facts.hostName = host;
    utsname names{};
    if (uname(&names) == 0) {
        facts.kernel = names.release;
        facts.architecture = names.machine;
    }
    facts.systemName = OsPrettyName(ReadSmallFile("/etc/os-release"));
    if (facts.systemName.empty())
        facts.systemName = OsPrettyName(ReadSmallFile("/usr/lib/os-release"));
    const std::string cpuinfo = ReadSmallFile("/proc/cpuinfo");
    facts.processor = CpuModelName(cpuinfo);
    facts.logicalProcessors = CpuCount(cpuinfo);
    if (facts.logicalProcessors == 0) {
        const long online = sysconf(_SC_NPROCESSORS_ONLN);
        facts.logicalProcessors = online > 0 ? static_cast<int>(online) : 0;
    }
    const std::string meminfo = ReadSmallFile("/proc/meminfo");
    facts.memoryTotalBytes = MemInfoBytes(meminfo, "MemTotal");
    facts.memoryAvailableBytes = MemInfoBytes(meminfo, "MemAvailable");
    facts.uptimeSeconds = UptimeSeconds(ReadSmallFile("/proc/uptime"));
    struct statvfs disk {};
    if (statvfs(platform::GbkToUtf8(programFolder).c_str(), &disk) == 0) {
        facts.diskTotalBytes = static_cast<std::uint64_t>(disk.f_blocks) * disk.f_frsize;
        facts.diskFreeBytes = static_cast<std::uint64_t>(disk.f_bavail) * disk.f_frsize;
    }
    return facts;
}

// ---- program folder --------------------------------------------------------------
namespace {

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

void LookThrough(const std::string& folder, int depth, int& budget, FolderFacts& facts) {
    for (const platform::DirEntry& entry : platform::ListDirectory(folder)) {
        if (entry.name == "." || entry.name == "..") continue;
        if (--budget < 0) return;
        const std::string path = folder + entry.name;
        if (entry.isDirectory) {
            if (depth < 8)
                LookThrough(path + platform::kPathSeparatorText, depth + 1, budget, facts);
        } else if (EndsWith(entry.name, ".vmupdate")) {
            ++facts.sideFiles;
        } else if (EndsWith(entry.name, ".tmp")) {
            ++facts.partialDownloads;
            std::ifstream in(platform::GbkToUtf8(path), std::ios::binary | std::ios::ate);
            if (in)
                facts.partialBytes +=
                    static_cast<std::uint64_t>(std::max<std::streamoff>(in.tellg(), 0));
        }
    }
}

}  // namespace

FolderFacts ReadFolderFacts(const std::string& programFolder, int maxEntries) {
    FolderFacts facts;
    int budget = maxEntries;
    LookThrough(programFolder, 0, budget, facts);
    for (const platform::DirEntry& entry :
         platform::ListDirectory(programFolder + "plugins" + platform::kPathSeparatorText)) {
        if (entry.isDirectory && entry.name != "." && entry.name != "..")
            facts.plugins.push_back(entry.name);
    }
    facts.databasePresent = platform::FileExists(programFolder + "vamo.db");
    facts.cataloguePresent = platform::FileExists(programFolder + "apps.xml");
    return facts;
}

// ---- texts for the pages -----------------------------------------------------------
std::string FormatBytes(std::uint64_t bytes) {
    static const char* const kUnits[] = {"B", "KB", "MB", "GB", "TB", "PB"};
    if (bytes < 1024) return std::to_string(bytes) + " B";
    double value = static_cast<double>(bytes);
    int unit = 0;
    while (value >= 1024 && unit < 5) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    return text;
}

std::optional<std::string> FillPattern(std::string_view pattern,
                                       const std::map<std::string, std::string>& values) {
    std::string out;
    while (!pattern.empty()) {
        const size_t open = pattern.find('{');
        const size_t close = open == std::string_view::npos ? open : pattern.find('}', open);
        if (close == std::string_view::npos) break;
        const std::string_view key = pattern.substr(open + 1, close - open - 1);
        out.append(pattern.substr(0, open));
        if (key.empty() || key.find_first_of("{ ") != std::string_view::npos) {
            out.push_back('{');  // not a key: keep the brace, go on after it
            pattern.remove_prefix(open + 1);
            continue;
        }
        const auto value = values.find(std::string(key));
        if (value == values.end()) return std::nullopt;
        out.append(value->second);
        pattern.remove_prefix(close + 1);
    }
    out.append(pattern);
    return out;
}

}  // namespace vamo
