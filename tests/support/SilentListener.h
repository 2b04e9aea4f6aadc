#pragma once

// A loopback port whose connections are taken (by the kernel) and never answered: a TLS
// handshake, or a request, to it hangs until the client gives up. Closed on destruction.
class SilentListener {
public:
    SilentListener();
    ~SilentListener();
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;

    int Port() const { return m_port; }

private:
    int m_fd = -1;
    int m_port = 0;
};
