#pragma once

#include <string>
#include <vector>

// Makes a recorder the user's web browser under the private XDG folders: the user's
// mimeapps.list names it for http and html, from a folder with a space and capitals. A decoy
// named only in defaults.list records too, marked "decoy: ", so a launch through the wrong
// list shows. Launches go to a file of this object's own; none is recorded without one.
class BrowserRecorder {
public:
    // What the user's mimeapps.list offers for web pages.
    enum class Choice {
        RECORDER,
        // Every program for http and html is removed, the system's too.
        NOTHING,
        // A program that needs a terminal (which PATH may lack).
        TERMINAL_PROGRAM,
    };

    BrowserRecorder();
    // Records nothing further and puts the recorder back as the user's choice.
    ~BrowserRecorder();
    BrowserRecorder(const BrowserRecorder&) = delete;
    BrowserRecorder& operator=(const BrowserRecorder&) = delete;

    // Each launch is one line: the arguments the recorder got, separated by spaces.
    std::vector<std::string> Launches() const;
    // The environment of the last launch, one "NAME=value" a line.
    std::vector<std::string> LastEnvironment() const;
    // Waits (pumping events) until at least count launches were recorded.
    bool WaitForLaunches(size_t count, int timeoutMs = 5000) const;
    void Clear() const;

    // Writes the user's choice and waits until the desktop's application database has seen
    // the change; false if it did not within the time limit.
    bool Choose(Choice choice);

private:
    std::string m_record;
    Choice m_choice = Choice::RECORDER;
};
