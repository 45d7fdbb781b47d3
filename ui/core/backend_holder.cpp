// Which backend the widget layer uses: the one installed, else a headless one.
#include <memory>
#include <mutex>

#include "ui/core/backend.h"
#include "ui/core/headless_backend.h"

namespace ui {

namespace {

struct Holder {
    std::mutex mutex;
    std::unique_ptr<Backend> backend;
};

// Constant-initialised, so it outlives the registry and the loop, which are
// made on first use.
Holder g_holder;

Holder& TheHolder() {
    return g_holder;
}

}  // namespace

Backend& GetBackend() {
    Holder& holder = TheHolder();
    std::lock_guard lock(holder.mutex);
    if (!holder.backend) holder.backend = std::make_unique<HeadlessBackend>();
    return *holder.backend;
}

void InstallBackend(std::unique_ptr<Backend> backend) {
    Holder& holder = TheHolder();
    std::lock_guard lock(holder.mutex);
    holder.backend = std::move(backend);
}

HeadlessBackend& InstallHeadlessBackend() {
    auto backend = std::make_unique<HeadlessBackend>();
    HeadlessBackend& ref = *backend;
    InstallBackend(std::move(backend));
    return ref;
}

}  // namespace ui
