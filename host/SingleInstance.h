#pragma once

#include <string>

typedef struct _GDBusConnection GDBusConnection;

// One program per user and display. The first start owns a name on the session bus (one per
// display); a later start asks the owner to show its main window and ends. The name goes with
// its process, however it ends, so a run that was killed leaves nothing behind. The plug-in
// answers on the owner's side (object PATH, interface INTERFACE, method METHOD).
//
// Without a session bus every start runs on its own.
class SingleInstance {
public:
    enum class Outcome {
        // This start runs the program.
        FIRST,
        // The running program was asked to show itself; this start ends.
        HANDED_OVER,
        // Another start owns the name but does not answer.
        NO_ANSWER,
    };
    static const char PATH[];
    static const char INTERFACE[];
    static const char METHOD[];

    SingleInstance() = default;
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Blocks for the bus, at most a few seconds (an owner that is starting or ending is waited
    // for). The name is kept as long as this object lives.
    Outcome Claim();

    // The bus name for the display of this session (DISPLAY, else WAYLAND_DISPLAY).
    static std::string BusName();

private:
    GDBusConnection* m_connection = nullptr;
};
