#include "core/LinkState.h"

#include <mutex>

namespace {
std::mutex g_guard;
LinkState::Snapshot g_state;
} // namespace

LinkState::Snapshot LinkState::Get() {
    std::lock_guard<std::mutex> lock(g_guard);
    return g_state;
}

bool LinkState::CanAsk() {
    std::lock_guard<std::mutex> lock(g_guard);
    return !g_state.offline && !g_state.asleep;
}

unsigned long LinkState::Interruptions() {
    std::lock_guard<std::mutex> lock(g_guard);
    return g_state.interruptions;
}

bool LinkState::SetOffline(bool offline) {
    std::lock_guard<std::mutex> lock(g_guard);
    if (g_state.offline == offline)
        return false;
    g_state.offline = offline;
    g_state.offlineSince = offline ? wxDateTime::Now() : wxDateTime();
    if (offline)
        ++g_state.interruptions;
    return true;
}

bool LinkState::SetAsleep(bool asleep) {
    std::lock_guard<std::mutex> lock(g_guard);
    if (g_state.asleep == asleep)
        return false;
    g_state.asleep = asleep;
    ++g_state.interruptions;
    return true;
}
