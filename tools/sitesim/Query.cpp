#include "tools/sitesim/Query.h"

#include <cctype>

Query::Query(const std::string& raw) {
    std::size_t start = 0;
    while (start <= raw.size()) {
        std::size_t end = raw.find('&', start);
        if (end == std::string::npos)
            end = raw.size();
        const std::string piece = raw.substr(start, end - start);
        if (!piece.empty()) {
            const std::size_t eq = piece.find('=');
            if (eq == std::string::npos)
                m_pairs.emplace_back(Decode(piece), std::string());
            else
                m_pairs.emplace_back(Decode(piece.substr(0, eq)), Decode(piece.substr(eq + 1)));
        }
        start = end + 1;
    }
}

bool Query::Has(const std::string& key) const {
    for (const auto& pair : m_pairs)
        if (pair.first == key)
            return true;
    return false;
}

std::string Query::Get(const std::string& key, const std::string& fallback) const {
    for (const auto& pair : m_pairs)
        if (pair.first == key)
            return pair.second;
    return fallback;
}

std::string Query::Decode(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}
