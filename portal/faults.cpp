#include "portal/faults.h"

#include <array>
#include <chrono>
#include <utility>

namespace portal {

namespace {

constexpr std::array<std::pair<FaultKind, std::string_view>, 9> kKindNames = {{
    {FaultKind::Delay, "delay"},
    {FaultKind::Hold, "hold"},
    {FaultKind::Slow, "slow"},
    {FaultKind::Stall, "stall"},
    {FaultKind::Truncate, "truncate"},
    {FaultKind::Corrupt, "corrupt"},
    {FaultKind::Garbage, "garbage"},
    {FaultKind::Error, "error"},
    {FaultKind::Empty, "empty"},
}};

}  // namespace

std::optional<FaultKind> ParseFaultKind(std::string_view name) {
    for (const auto& [kind, kind_name] : kKindNames)
        if (kind_name == name) return kind;
    return std::nullopt;
}

std::string_view FaultKindName(FaultKind kind) {
    for (const auto& [known, name] : kKindNames)
        if (known == kind) return name;
    return "?";
}

void FaultTable::Set(const std::string& pattern, const Fault& fault) {
    std::lock_guard lock(mutex_);
    faults_[pattern] = fault;
    ChangedLocked();
}

void FaultTable::Clear(const std::string& pattern) {
    std::lock_guard lock(mutex_);
    faults_.erase(pattern);
    ChangedLocked();
}

void FaultTable::ClearAll() {
    std::lock_guard lock(mutex_);
    faults_.clear();
    ChangedLocked();
}

std::optional<ActiveFault> FaultTable::Take(std::string_view path) {
    std::lock_guard lock(mutex_);
    auto match = faults_.find(path);
    if (match == faults_.end()) {
        std::size_t best = 0;
        for (auto it = faults_.begin(); it != faults_.end(); ++it) {
            const std::string& pattern = it->first;
            if (pattern.empty() || pattern.back() != '*') continue;
            std::string_view prefix(pattern.data(), pattern.size() - 1);
            if (path.substr(0, prefix.size()) == prefix &&
                (match == faults_.end() || prefix.size() > best)) {
                match = it;
                best = prefix.size();
            }
        }
    }
    if (match == faults_.end()) return std::nullopt;
    ActiveFault active{match->second, generation_};
    if (match->second.times > 0 && --match->second.times == 0) faults_.erase(match);
    return active;
}

std::string FaultTable::Describe() const {
    std::lock_guard lock(mutex_);
    std::string out;
    for (const auto& [pattern, fault] : faults_) {
        out += pattern + " " + std::string(FaultKindName(fault.kind)) +
               " ms=" + std::to_string(fault.ms) + " status=" + std::to_string(fault.status) +
               " rate=" + std::to_string(fault.rate) + " bytes=" + std::to_string(fault.bytes) +
               " times=" + std::to_string(fault.times) + "\n";
    }
    return out;
}

void FaultTable::Sleep(int ms) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return shut_down_; });
}

void FaultTable::WaitForChange(std::uint64_t generation, int ms) {
    std::unique_lock lock(mutex_);
    auto done = [&] { return shut_down_ || generation_ != generation; };
    if (ms > 0)
        changed_.wait_for(lock, std::chrono::milliseconds(ms), done);
    else
        changed_.wait(lock, done);
}

void FaultTable::Shutdown() {
    std::lock_guard lock(mutex_);
    shut_down_ = true;
    changed_.notify_all();
}

void FaultTable::ChangedLocked() {
    ++generation_;
    changed_.notify_all();
}

}  // namespace portal
