#include "tools/sitesim/UpdateService.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

std::vector<long> Numbers(const std::string& version) {
    std::vector<long> numbers;
    std::stringstream in(version);
    for (std::string part; std::getline(in, part, '.');)
        numbers.push_back(std::strtol(part.c_str(), nullptr, 10));
    return numbers;
}

Reply NothingNew() {
    return Reply{200, "text/html",
                 "<html><head><title>Update</title></head>\n"
                 "<body><p>You have the latest version. Nothing new.</p></body></html>\n"};
}

} // namespace

UpdateService::UpdateService(std::string folder, std::string latest)
    : m_folder(std::move(folder)), m_latest(std::move(latest)) {}

int UpdateService::Compare(const std::string& a, const std::string& b) {
    const std::vector<long> x = Numbers(a), y = Numbers(b);
    for (std::size_t i = 0; i < x.size() || i < y.size(); ++i) {
        const long p = i < x.size() ? x[i] : 0, q = i < y.size() ? y[i] : 0;
        if (p != q)
            return p < q ? -1 : 1;
    }
    return 0;
}

Reply UpdateService::Answer(const std::string& version, const std::string& type) const {
    if (m_folder.empty() || version.empty() || Compare(version, m_latest) >= 0)
        return NothingNew();
    std::string file;
    if (type.empty())
        file = "roduviriz.so";
    else if (type == "skin" || type == "mo" || type == "manifest")
        file = "roduviriz." + type;
    else
        return Reply{404, "text/html", "<html><body>No such file.</body></html>\n"};

    std::ifstream in(m_folder + "/" + file, std::ios::binary);
    if (!in)
        return Reply{404, "text/html", "<html><body>No such file.</body></html>\n"};
    std::ostringstream content;
    content << in.rdbuf();
    return Reply{200, "application/octet-stream", content.str()};
}
