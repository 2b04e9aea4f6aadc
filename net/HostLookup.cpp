#include "net/HostLookup.h"

#include "net/HttpConnection.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <netdb.h>

namespace {

// Everything the C library reads or writes for one lookup: one block.
struct Lookup {
    std::string name;
    addrinfo hints{};
    gaicb request{};
};

std::mutex g_guard;
// Lookups given up while the C library still works on them. Never destroyed, so that they
// stay reachable (and owned) until they finish.
std::vector<Lookup*>* g_abandoned = new std::vector<Lookup*>;

void Release(Lookup* lookup) {
    if (lookup->request.ar_result)
        freeaddrinfo(lookup->request.ar_result);
    delete lookup;
}

// Frees the abandoned lookups that have finished meanwhile.
void Sweep() {
    std::lock_guard<std::mutex> lock(g_guard);
    auto& list = *g_abandoned;
    const auto done = std::partition(list.begin(), list.end(), [](Lookup* lookup) {
        return gai_error(&lookup->request) == EAI_INPROGRESS;
    });
    std::for_each(done, list.end(), Release);
    list.erase(done, list.end());
}

void Abandon(Lookup* lookup) {
    // A request taken off the queue before it started is the library's no more, whatever its
    // error reads.
    const int cancel = gai_cancel(&lookup->request);
    if (cancel != EAI_NOTCANCELED || gai_error(&lookup->request) != EAI_INPROGRESS) {
        Release(lookup);
        return;
    }
    std::lock_guard<std::mutex> lock(g_guard);
    g_abandoned->push_back(lookup);
}

} // namespace

bool HostLookup::Resolve(const wxString& host, unsigned short port,
                         std::chrono::steady_clock::time_point deadline, sockaddr_in* address) {
    std::memset(address, 0, sizeof *address);
    address->sin_family = AF_INET;
    address->sin_port = htons(port);
    const std::string name = host.utf8_string();
    if (inet_pton(AF_INET, name.c_str(), &address->sin_addr) == 1)
        return true;
    if (name.empty())
        return false;
    Sweep();

    auto* lookup = new Lookup;
    lookup->name = name;
    lookup->hints.ai_family = AF_INET;
    lookup->hints.ai_socktype = SOCK_STREAM;
    lookup->request.ar_name = lookup->name.c_str();
    lookup->request.ar_request = &lookup->hints;
    gaicb* list[] = {&lookup->request};
    if (getaddrinfo_a(GAI_NOWAIT, list, 1, nullptr) != 0) {
        delete lookup;
        return false;
    }
    for (;;) {
        const int state = gai_error(&lookup->request);
        if (state == 0)
            break;
        if (state != EAI_INPROGRESS) {
            Release(lookup);
            return false;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || HttpConnection::StopRequested()) {
            Abandon(lookup);
            return false;
        }
        const auto slice = std::min(left, HttpConnection::SLICE);
        const timespec wait{0, static_cast<long>(slice.count()) * 1000000L};
        gai_suspend(list, 1, &wait);
    }
    const addrinfo* found = lookup->request.ar_result;
    const bool ok = found && found->ai_family == AF_INET &&
                    found->ai_addrlen >= static_cast<socklen_t>(sizeof(sockaddr_in));
    if (ok)
        address->sin_addr = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    Release(lookup);
    return ok;
}
