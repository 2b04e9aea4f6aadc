#pragma once

// Ports on 127.0.0.1 for the servers the tests start.
class LoopbackPort {
public:
    // One that was free a moment ago.
    static int Free();
    // Something accepts connections there.
    static bool Listens(int port);
};
