#include "core/ConnectionStatus.h"

#include <mutex>

namespace {
std::mutex g_guard;
ConnectionStatus::Snapshot g_status;
} // namespace

ConnectionStatus::Snapshot ConnectionStatus::Get() {
    std::lock_guard<std::mutex> lock(g_guard);
    Snapshot copy = g_status;
    // The strings are the caller's own, not shared with the writers'.
    copy.failure =
        FailureReason(g_status.failure.GetKind(), wxString(g_status.failure.GetText().wc_str()));
    return copy;
}

void ConnectionStatus::ListReceived(size_t performers) {
    std::lock_guard<std::mutex> lock(g_guard);
    g_status.lastList = wxDateTime::Now();
    g_status.performers = performers;
    g_status.nextTry = wxDateTime();
}

void ConnectionStatus::ListFailed(const FailureReason& why, int retryMs) {
    const wxString text(why.GetText().wc_str());
    std::lock_guard<std::mutex> lock(g_guard);
    g_status.lastFailure = wxDateTime::Now();
    g_status.failure = FailureReason(why.GetKind(), text);
    g_status.nextTry =
        retryMs < 0 ? wxDateTime() : g_status.lastFailure + wxTimeSpan::Milliseconds(retryMs);
}

void ConnectionStatus::SetSiteSet(bool set) {
    std::lock_guard<std::mutex> lock(g_guard);
    g_status.siteSet = set;
}

void ConnectionStatus::TransferEnded(unsigned long long bytesReceived) {
    std::lock_guard<std::mutex> lock(g_guard);
    ++g_status.transfers;
    g_status.bytes += bytesReceived;
}

void ConnectionStatus::Reset() {
    std::lock_guard<std::mutex> lock(g_guard);
    g_status = Snapshot();
}
