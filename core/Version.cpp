#include "core/Version.h"

#include <cstdio>

Version::Version(const wxString& text) : m_text(text) {
    int major = 0, minor = 0, release = 0;
    if (std::sscanf(text.utf8_str().data(), "%d.%d.%d", &major, &minor, &release) == 3) {
        m_major = major;
        m_minor = minor;
        m_release = release;
    }
}

const Version& Version::Plugin() {
    static const Version version("1.3.0");
    return version;
}
