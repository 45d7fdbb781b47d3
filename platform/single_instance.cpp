// The per-user single-instance lock on an abstract unix datagram socket.
#include "platform/single_instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>

namespace platform {
namespace {

sockaddr_un MakeAddress(const std::string& address, socklen_t* length) {
    sockaddr_un result{};
    result.sun_family = AF_UNIX;
    const size_t size = std::min(address.size(), sizeof result.sun_path);
    std::memcpy(result.sun_path, address.data(), size);
    *length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + size);
    return result;
}

// Receives one datagram; false when none could be read. `fromSameUser` tells
// whether the kernel vouched that the sender runs under our user id.
bool ReceiveNudge(int socket, std::string* message, bool* fromSameUser) {
    char buffer[SingleInstance::kMaxNudgeSize];
    iovec part{buffer, sizeof buffer};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred))];
    msghdr header{};
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    header.msg_control = control;
    header.msg_controllen = sizeof control;
    const ssize_t size = ::recvmsg(socket, &header, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
    if (size < 0) return false;
    *fromSameUser = false;
    for (cmsghdr* c = CMSG_FIRSTHDR(&header); c; c = CMSG_NXTHDR(&header, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_CREDENTIALS) {
            ucred credentials;
            std::memcpy(&credentials, CMSG_DATA(c), sizeof credentials);
            *fromSameUser = credentials.uid == ::getuid();
        }
    }
    message->assign(buffer, static_cast<size_t>(size));
    return true;
}

}  // namespace

// The first instance's listener: a thread that waits for nudges or for the stop pipe.
struct SingleInstance::Listener {
    std::mutex mutex;
    NudgeHandler handler;
    int stopPipe[2] = {-1, -1};
    std::thread thread;

    void Run(int socket) {
        pollfd waits[2] = {{socket, POLLIN, 0}, {stopPipe[0], POLLIN, 0}};
        while (true) {
            if (::poll(waits, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (waits[1].revents) return;
            std::string message;
            bool fromSameUser = false;
            while (ReceiveNudge(socket, &message, &fromSameUser)) {
                if (!fromSameUser) continue;
                NudgeHandler current;
                {
                    std::lock_guard lock(mutex);
                    current = handler;
                }
                if (current) current(message);
            }
        }
    }
};

SingleInstance::SingleInstance(const std::string& name)
    : address_(std::string(1, '\0') + "quorvi." + name + "." + std::to_string(::getuid())) {
    socket_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (socket_ < 0) {
        first_ = true;
        return;
    }
    socklen_t length = 0;
    const sockaddr_un address = MakeAddress(address_, &length);
    if (::bind(socket_, reinterpret_cast<const sockaddr*>(&address), length) == 0) {
        first_ = true;
        const int on = 1;
        ::setsockopt(socket_, SOL_SOCKET, SO_PASSCRED, &on, sizeof on);
        return;
    }
    first_ = errno != EADDRINUSE;
    ::close(socket_);
    socket_ = -1;
}

SingleInstance::~SingleInstance() {
    if (listener_) {
        const char stop = 1;
        while (::write(listener_->stopPipe[1], &stop, 1) < 0 && errno == EINTR) {
        }
        listener_->thread.join();
        ::close(listener_->stopPipe[0]);
        ::close(listener_->stopPipe[1]);
    }
    if (socket_ >= 0) ::close(socket_);
}

bool SingleInstance::IsFirst() const {
    return first_;
}

void SingleInstance::OnNudge(NudgeHandler handler) {
    if (socket_ < 0) return;
    if (listener_) {
        std::lock_guard lock(listener_->mutex);
        listener_->handler = std::move(handler);
        return;
    }
    auto listener = std::make_unique<Listener>();
    if (::pipe2(listener->stopPipe, O_CLOEXEC) != 0) return;
    listener->handler = std::move(handler);
    listener->thread = std::thread([raw = listener.get(), socket = socket_] { raw->Run(socket); });
    listener_ = std::move(listener);
}

bool SingleInstance::NudgeFirst(const std::string& message) const {
    if (first_ || message.size() > kMaxNudgeSize) return false;
    const int sender = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (sender < 0) return false;
    socklen_t length = 0;
    const sockaddr_un address = MakeAddress(address_, &length);
    const ssize_t sent =
        ::sendto(sender, message.data(), message.size(), MSG_NOSIGNAL | MSG_DONTWAIT,
                 reinterpret_cast<const sockaddr*>(&address), length);
    ::close(sender);
    return sent == static_cast<ssize_t>(message.size());
}

}  // namespace platform
