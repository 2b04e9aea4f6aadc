#pragma once

#include <string>
#include <vector>

// The process's standard error goes into a file while the object lives.
class StandardErrorCapture {
public:
    StandardErrorCapture();
    ~StandardErrorCapture();
    StandardErrorCapture(const StandardErrorCapture&) = delete;
    StandardErrorCapture& operator=(const StandardErrorCapture&) = delete;

    // What was written so far, line by line.
    std::vector<std::string> Lines() const;

private:
    std::string m_path;
    int m_saved;
};
