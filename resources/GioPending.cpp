#include "resources/GioPending.h"

#include <glib.h>

#include <atomic>
#include <chrono>

#include <dlfcn.h>

namespace {
std::atomic<int> g_pending{0};
} // namespace

void GioPending::Started() {
    ++g_pending;
}

void GioPending::Ended() {
    --g_pending;
}

void GioPending::Drain(int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (g_pending > 0 && std::chrono::steady_clock::now() < end) {
        if (!g_main_context_iteration(nullptr, FALSE))
            g_usleep(10 * 1000);
    }
    if (g_pending <= 0)
        return;
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&GioPending::Drain), &info) && info.dli_fname)
        dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}
