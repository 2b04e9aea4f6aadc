#include "tools/sitesim/Accounts.h"

#include <algorithm>

bool Accounts::Add(const std::string& entry) {
    const std::size_t first = entry.find(':');
    const std::size_t last = entry.rfind(':');
    if (first == std::string::npos || first == last || first == 0)
        return false;
    Account account;
    account.name = entry.substr(0, first);
    account.password = entry.substr(first + 1, last - first - 1);
    const std::string list = entry.substr(last + 1);
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find(',', start);
        if (end == std::string::npos)
            end = list.size();
        if (end > start)
            account.favourites.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    m_accounts.push_back(account);
    return true;
}

std::optional<std::vector<std::string>> Accounts::Check(const std::string& name,
                                                        const std::string& password) const {
    for (const auto& account : m_accounts)
        if (account.name == name && account.password == password)
            return account.favourites;
    return std::nullopt;
}

bool Accounts::IsFavourite(const std::string& name) const {
    for (const auto& account : m_accounts)
        if (std::find(account.favourites.begin(), account.favourites.end(), name) !=
            account.favourites.end())
            return true;
    return false;
}

std::string Accounts::ReplyBody(const std::vector<std::string>& favourites) {
    std::string body;
    for (std::size_t i = 0; i < favourites.size(); ++i) {
        if (i == 0)
            body += "  #" + favourites[i] + "-, (favourite)\r\n\r\n";
        else if (i % 2 == 1)
            body += favourites[i] + "\r\n";
        else
            body += favourites[i] + "\n";
    }
    // A closing empty line, so that every name line is a complete line.
    body += "\r\n";
    return body;
}
