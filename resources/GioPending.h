#pragma once

// Asynchronous GIO calls whose callbacks are the plug-in's code (D-Bus calls of the tray, the
// notifications and the hand-over). A callback runs from the main loop, a cancelled call's
// too, and may still be due when the windows are gone: each call counts from its start to its
// callback, so that the plug-in's end can let the due callbacks run before its code goes.
class GioPending {
public:
    // Before the call is made, and first thing in its callback. Any thread.
    static void Started();
    static void Ended();

    // GUI thread, at the plug-in's end: runs the main context until no callback is due, for at
    // most timeoutMs; should one still be due then, the plug-in is kept loaded rather than
    // unloaded under it.
    static void Drain(int timeoutMs);
};
