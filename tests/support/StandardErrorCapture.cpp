#include "tests/support/StandardErrorCapture.h"

#include "tests/support/TestEnvironment.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <unistd.h>

StandardErrorCapture::StandardErrorCapture()
    : m_path(TestEnvironment::MakeTempDir("stderr") + "/stderr") {
    std::fflush(stderr);
    m_saved = dup(STDERR_FILENO);
    const int file = open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(file, STDERR_FILENO);
    close(file);
}

StandardErrorCapture::~StandardErrorCapture() {
    std::fflush(stderr);
    dup2(m_saved, STDERR_FILENO);
    close(m_saved);
}

std::vector<std::string> StandardErrorCapture::Lines() const {
    std::fflush(stderr);
    std::ostringstream text;
    text << std::ifstream(m_path).rdbuf();
    return SplitLines(text.str());
}
