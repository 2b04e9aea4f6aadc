#pragma once

#include "tools/sitesim/Reply.h"

#include <string>

// The plug-in's update service: offers the files of one folder to clients older than the
// version those files carry.
class UpdateService {
public:
    // An empty folder offers nothing.
    UpdateService(std::string folder, std::string latest);

    // The reply to "version=V[&type=T]".
    Reply Answer(const std::string& version, const std::string& type) const;

    // <0, 0, >0 as a is older than, the same as, or newer than b; dotted numbers, a missing
    // part counting as 0.
    static int Compare(const std::string& a, const std::string& b);

private:
    std::string m_folder;
    std::string m_latest;
};
