#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

// support/a11y-probe against this process, which runs under support/a11y-session: the
// toolkit's bridge answers the probe from the event loop, which runs meanwhile.
class AccessibilityProbe {
public:
    struct Object {
        int depth;
        std::string role;
        std::string name;
        std::set<std::string> states;
        bool Has(const std::string& state) const { return states.count(state) > 0; }
    };
    // For "object:active-descendant-changed" the role and name are the new descendant's.
    struct Event {
        std::string type;
        std::string role;
        std::string name;
        int detail1;
    };

    // This program's objects, a depth-first walk; empty when the probe failed.
    static std::vector<Object> Dump(int timeoutMs = 60000);

    // Listens to the events named ("object:state-changed:focused", ...) until destroyed.
    explicit AccessibilityProbe(const std::vector<std::string>& events);
    ~AccessibilityProbe();
    AccessibilityProbe(const AccessibilityProbe&) = delete;
    AccessibilityProbe& operator=(const AccessibilityProbe&) = delete;

    // Waits until the program sends the events to the probe.
    bool WaitReady(int timeoutMs = 60000);
    // Waits for an event that pred accepts, among those seen so far and those to come.
    bool WaitForEvent(const std::function<bool(const Event&)>& pred, int timeoutMs = 20000);

private:
    static int Start(const std::vector<std::string>& args, const std::string& out);
    std::vector<std::string> Lines() const;

    std::string m_out;
    int m_pid;
};
