#pragma once

// Ports on 127.0.0.1 for the servers the tests start.
class LoopbackPort {
public:
    // One that was free a moment ago.
    static int Free();
    // Something accepts connections there.
    static bool Listens(int port);
    // Waits (10 s at most) until the child process *pid, a server just started, listens on
    // port; when it ends or does not listen in time, it is stopped and *pid becomes -1.
    static bool WaitForServer(int port, int* pid);
};
