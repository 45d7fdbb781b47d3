// One running instance per user and name, in the manner of a named kernel event.
//
// The first instance binds an abstract-namespace unix socket named from the lock
// name and the user id; the kernel frees the name when that process ends, so a
// crashed instance leaves nothing stale behind. A later instance finds the name
// taken, knows it is not the first, and can send the first a short nudge (for
// example to make its window come forward).
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace platform {

class SingleInstance {
public:
    using NudgeHandler = std::function<void(const std::string& message)>;
    static constexpr size_t kMaxNudgeSize = 1024;

    // Takes the lock `name` for the current user when nobody holds it. When the
    // system offers no such lock at all, the instance counts as the first.
    explicit SingleInstance(const std::string& name);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    bool IsFirst() const;

    // First instance: calls `handler` on a listener thread of its own for every
    // nudge a later instance of the same user sends, including nudges sent before
    // this call. Nudges from other users are dropped.
    void OnNudge(NudgeHandler handler);

    // Later instance: sends `message` (at most kMaxNudgeSize bytes) to the first.
    // False when there is no first instance to receive it.
    bool NudgeFirst(const std::string& message) const;

private:
    struct Listener;
    std::string address_;  // abstract socket name, starting with '\0'
    int socket_ = -1;      // bound socket of the first instance
    bool first_ = false;
    std::unique_ptr<Listener> listener_;
};

}  // namespace platform
