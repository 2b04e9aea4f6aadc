#include "host/PluginHost.h"
#include "tests/support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <wx/filename.h>

#include <atomic>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The name server of dead-dns.sh's namespaces: holds every query until released, then answers
// each "no such name".
class HeldNameServer {
public:
    HeldNameServer() {
        m_socket = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(53);
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_bound = bind(m_socket, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        m_thread = std::thread([this] { Serve(); });
    }
    ~HeldNameServer() {
        m_stop = true;
        m_thread.join();
        close(m_socket);
    }
    bool Bound() const { return m_bound; }
    int Queries() const { return m_queries; }
    void Release() { m_released = true; }

private:
    struct Query {
        std::string bytes;
        sockaddr_in from;
    };

    void Serve() {
        std::vector<Query> held;
        while (!m_stop) {
            pollfd wait{m_socket, POLLIN, 0};
            if (poll(&wait, 1, 50) == 1) {
                Query query;
                char buffer[512];
                socklen_t size = sizeof query.from;
                const ssize_t got = recvfrom(m_socket, buffer, sizeof buffer, 0,
                                             reinterpret_cast<sockaddr*>(&query.from), &size);
                if (got >= 12) {
                    query.bytes.assign(buffer, static_cast<size_t>(got));
                    held.push_back(query);
                    ++m_queries;
                }
            }
            if (!m_released)
                continue;
            for (Query& query : held) {
                query.bytes[2] = static_cast<char>(query.bytes[2] | 0x80);       // a reply
                query.bytes[3] = static_cast<char>((query.bytes[3] & 0xF0) | 3); // no such name
                sendto(m_socket, query.bytes.data(), query.bytes.size(), 0,
                       reinterpret_cast<sockaddr*>(&query.from), sizeof query.from);
            }
            held.clear();
        }
    }

    int m_socket = -1;
    bool m_bound = false;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_released{false};
    std::atomic<int> m_queries{0};
    std::thread m_thread;
};

std::string Maps() {
    std::ifstream in("/proc/self/maps");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int Threads() {
    int count = 0;
    if (DIR* tasks = opendir("/proc/self/task")) {
        while (const dirent* entry = readdir(tasks))
            count += entry->d_name[0] != '.';
        closedir(tasks);
    }
    return count;
}

// The plug-in stops waiting for a name lookup that hangs, but the lookup goes on inside the
// HTTP library and ends after the plug-in is gone: the library must still be there then.
TEST(PluginUnloadTest, ALookupThatOutlivesThePluginEndsInLoadedCode) {
    if (!std::getenv("ROD_DEAD_DNS"))
        GTEST_SKIP() << "runs inside the namespaces of dead-dns.sh";
    HeldNameServer names;
    ASSERT_TRUE(names.Bound());
    const int threadsBefore = Threads();
    {
        PluginHost plugin{wxFileName(TestEnvironment::HostProgram())};
        wxString error;
        ASSERT_TRUE(plugin.Load(&error)) << error;
        using Update = wxFileName* (*)();
        const auto update = reinterpret_cast<Update>(plugin.GetExport("GetNewPluginFileName"));
        ASSERT_NE(update, nullptr);
        // Asks the update service, whose name never resolves: given up at the lookup's limit.
        EXPECT_EQ(update(), nullptr);
        EXPECT_GT(names.Queries(), 0) << "the name server was never asked";
        plugin.Unload();
    }
    const std::string maps = Maps();
    EXPECT_EQ(maps.find("roduviriz.so"), std::string::npos) << "the plug-in was not unloaded";
    EXPECT_NE(maps.find("libcurl"), std::string::npos) << "the HTTP library went with it";
    names.Release();
    EXPECT_TRUE(WaitFor([&] { return Threads() <= threadsBefore; }, 20000))
        << "the lookup did not end";
}

} // namespace
