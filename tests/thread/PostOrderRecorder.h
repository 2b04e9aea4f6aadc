#pragma once

#include "tests/support/EventRecorder.h"

#include <mutex>
#include <string>
#include <vector>

// Notes, at the moment of posting (on the posting thread), which event reached which
// handler, in one log shared by several recorders; then records the delivery as usual.
class PostOrderRecorder : public EventRecorder {
public:
    struct Log {
        std::mutex guard;
        std::vector<std::string> entries; // "<tag> <kind> <name>"
        std::vector<std::string> Snapshot();
    };

    PostOrderRecorder(const std::string& tag, Log& log) : m_tag(tag), m_log(log) {}

    void QueueEvent(wxEvent* event) override;

private:
    std::string m_tag;
    Log& m_log;
};
