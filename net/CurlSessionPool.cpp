#include "net/CurlSessionPool.h"

#include "net/DownloadThreadsModule.h"

#include <mutex>
#include <vector>

namespace {
std::mutex g_guard;
std::vector<std::unique_ptr<CurlSession>> g_idle;
} // namespace

std::unique_ptr<CurlSession> CurlSessionPool::Take() {
    {
        std::lock_guard<std::mutex> lock(g_guard);
        if (!g_idle.empty()) {
            std::unique_ptr<CurlSession> session = std::move(g_idle.back());
            g_idle.pop_back();
            return session;
        }
    }
    return std::make_unique<CurlSession>();
}

void CurlSessionPool::Give(std::unique_ptr<CurlSession> session) {
    if (!session)
        return;
    session->Abandon();
    if (DownloadThreadsModule::Exiting())
        return;
    std::lock_guard<std::mutex> lock(g_guard);
    if (g_idle.size() < MAX_IDLE)
        g_idle.push_back(std::move(session));
    // Otherwise closed here, after the guard: its destructor runs at the end of the call.
}

void CurlSessionPool::Drain() {
    std::vector<std::unique_ptr<CurlSession>> idle;
    {
        std::lock_guard<std::mutex> lock(g_guard);
        idle.swap(g_idle);
    }
}
