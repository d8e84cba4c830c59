// OpenSSL, loaded at run time, and one TLS client connection over a connected socket: the
// encryption under the TLS transport. Nothing outside this unit sees an OpenSSL type.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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

// What a connection checks of the server and shows of itself. All empty, any certificate is accepted
// and none is shown.
struct TlsPolicy {
    // Empty: no check; "System": the system's authorities; "sha256//" and a pin: exactly that key;
    // anything else: a PEM file holding the only authorities to trust. With authorities, the host
    // name (or IP address) is checked against the certificate.
    std::string verify;
    std::string clientCertificate;  // a PEM file of certificate and key, or PKCS#12
    std::string clientCertificatePassword;
    // Checks are made and their verdict kept (verifyFailure), but none ends the handshake.
    bool reportOnly = false;
};

// One certificate of the chain a server showed.
struct PeerCertificate {
    std::string subject;
    std::string issuer;
    std::string notBefore;  // "YYYY-MM-DD HH:MM:SS UTC"
    std::string notAfter;
    std::string pin;  // "sha256//" and the base64 of its DER SubjectPublicKeyInfo's SHA-256
};

// One TLS connection's context and SSL object. Made per connection, also in pass-through (where
// only the context exists); the handshake turns the socket into an encrypted stream.
class TlsConnection {
public:
    // Receives the handshake's status information: the "SSL status: ..." lines of every state
    // change and the "Cipher: name = ..." line once the handshake is done.
    using StatusInfo = std::function<void(const std::string&)>;

    // Loads OpenSSL if needed and makes the client context. Throws Error with "Could not load SSL
    // library.", "Error creating SSL context." or "SetCipher failed.", or a message naming the
    // authority file or the client certificate that cannot be used.
    explicit TlsConnection(StatusInfo statusInfo, TlsPolicy policy = {});
    ~TlsConnection();
    TlsConnection(const TlsConnection&) = delete;
    TlsConnection& operator=(const TlsConnection&) = delete;

    // Runs the client handshake on a connected socket, sending serverName for name-based virtual
    // hosts. The socket is put into blocking mode with the stall limit on its waits; from then on
    // every byte on it goes through read and write. Throws Error with "Error binding data to SSL
    // socket." or "Error connecting with SSL.", and with "Certificate not trusted: " and the reason
    // when the policy's check fails (unless it only reports).
    void handshake(int fd, const std::string& serverName);
    bool handshakeDone() const { return m_handshakeDone; }
    // After the handshake: why the policy's check failed, empty when it passed.
    const std::string& verifyFailure() const { return m_verifyFailure; }
    // After the handshake: the chain the server showed, its own certificate first.
    std::vector<PeerCertificate> peerChain() const;

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
    void useAuthorities();
    void useClientCertificate();
    void expectName(void* ssl, const std::string& serverName);
    std::string checkPeer(void* ssl) const;

    std::shared_ptr<const TlsApi> m_api;
    StatusInfo m_statusInfo;
    TlsPolicy m_policy;
    std::string m_verifyFailure;
    std::string m_serverName;
    void* m_ctx = nullptr;
    void* m_ssl = nullptr;
    bool m_handshakeDone = false;
    bool m_broken = false;  // after a fatal error the connection must not send close notify
};

}  // namespace torvane
