// OpenSSL, loaded at run time, and one TLS client connection over a connected socket: the
// encryption under the TLS transport. Nothing outside this unit sees an OpenSSL type.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace torvane {

// The shared-library names OpenSSL is loaded from. The application keeps the defaults; tests point
// them at something missing. Changing them forgets a previous load, so the next load uses them
// (connections already made keep working with what they were made with).
void setTlsLibraryNames(const std::string& ssl, const std::string& crypto);

// Loads OpenSSL once per process. While a library or one of the entry points this unit calls is
// missing, or the library's initialisation fails, it throws Error("Could not load SSL library.")
// and tries again on the next call.
void loadTlsLibrary();
bool tlsLibraryLoaded();

// How long a handshake, a read or a write may wait for the server without any progress before it
// gives up; a server that accepts and then says nothing must not freeze the application.
inline constexpr std::chrono::milliseconds kTlsStallLimit{60000};
// Tests shorten the limit; it applies to connections that shake hands afterwards.
void setTlsStallLimit(std::chrono::milliseconds limit);

struct TlsApi;

// One TLS connection's context and SSL object. Made per connection, also in pass-through (where
// only the context exists); the handshake turns the socket into an encrypted stream.
class TlsConnection {
public:
    // Receives the handshake's status information: the "SSL status: ..." lines of every state
    // change and the "Cipher: name = ..." line once the handshake is done.
    using StatusInfo = std::function<void(const std::string&)>;

    // Loads OpenSSL if needed and makes the client context. Throws Error with "Could not load SSL
    // library.", "Error creating SSL context." or "SetCipher failed.".
    explicit TlsConnection(StatusInfo statusInfo);
    ~TlsConnection();
    TlsConnection(const TlsConnection&) = delete;
    TlsConnection& operator=(const TlsConnection&) = delete;

    // Runs the client handshake on a connected socket, sending serverName for name-based virtual
    // hosts. The socket is put into blocking mode with the stall limit on its waits; from then on
    // every byte on it goes through read and write. Throws Error with "Error binding data to SSL
    // socket." or "Error connecting with SSL.".
    void handshake(int fd, const std::string& serverName);
    bool handshakeDone() const { return m_handshakeDone; }

    // Decrypted bytes into buf: >0 the count, 0 the server closed the connection, <0 an error with
    // errno set (ETIMEDOUT when the server stalled). A record is up to 16384 bytes; ask for at least
    // that much, so nothing stays buffered inside OpenSSL where a readability wait cannot see it.
    long read(char* buf, size_t len);
    // Encrypts and sends all of buf: the count, or <0 with errno set.
    long write(const char* buf, size_t len);
    // Tells the server the connection ends (close notify); the socket itself stays the caller's.
    void shutdown();

private:
    friend struct TlsCallbacks;
    void report(const std::string& text);
    void releaseSsl();

    std::shared_ptr<const TlsApi> m_api;
    StatusInfo m_statusInfo;
    void* m_ctx = nullptr;
    void* m_ssl = nullptr;
    bool m_handshakeDone = false;
    bool m_broken = false;  // after a fatal error the connection must not send close notify
};

}  // namespace torvane
