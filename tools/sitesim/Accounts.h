#pragma once

#include <optional>
#include <string>
#include <vector>

// The site's accounts and their favourites, as the login check knows them.
class Accounts {
public:
    // "NAME:PASSWORD:fav1,fav2,..."; the password may itself hold ':' (the favourites,
    // being names, never do). False for a malformed entry.
    bool Add(const std::string& entry);

    // The favourites of the account, or nothing when the name or the password is wrong.
    std::optional<std::vector<std::string>> Check(const std::string& name,
                                                  const std::string& password) const;
    bool IsFavourite(const std::string& name) const;

    // The login check's reply: one name per line, with the untidiness a real page has
    // (punctuation around a name, an empty line, mixed line ends).
    static std::string ReplyBody(const std::vector<std::string>& favourites);

private:
    struct Account {
        std::string name;
        std::string password;
        std::vector<std::string> favourites;
    };
    std::vector<Account> m_accounts;
};
