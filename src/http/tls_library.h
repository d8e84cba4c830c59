// OpenSSL, loaded at run time, and one TLS client connection over a connected socket: the
// encryption under the TLS transport. Nothing outside this unit sees an OpenSSL type.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace torvane {

// How long a handshake, a read or a write may wait for the server without any progress before it
// gives up; a server that accepts and then says nothing must not freeze the application.
inline constexpr std::chrono::milliseconds kTlsStallLimit{60000};

struct TlsApi;

// The shared libraries OpenSSL is loaded from.
struct TlsLibraryNames {
    std::string ssl = "libssl.so.3";
    std::string crypto = "libcrypto.so.3";
};

// OpenSSL as this program uses it: where it is loaded from, once loaded its entry points, and how long
// a connection waits on a silent server. The application and the companion each make one and hand it
// to everything that encrypts; tests make their own with other names or a shorter limit.
class TlsLibrary {
public:
    using Names = TlsLibraryNames;
    explicit TlsLibrary(Names names = {}, std::chrono::milliseconds stallLimit = kTlsStallLimit);
    TlsLibrary(const TlsLibrary&) = delete;
    TlsLibrary& operator=(const TlsLibrary&) = delete;

    // Loads OpenSSL on first use. While a library or one of the entry points this unit calls is
    // missing, or the library's initialisation fails, it throws Error("Could not load SSL library.")
    // and tries again on the next call. Connections keep the entry points they were made with.
    std::shared_ptr<const TlsApi> api();
    void load() { api(); }
    bool loaded() const;
    std::chrono::milliseconds stallLimit() const;

    // Other names forget a previous load, so the next load uses them; a new limit holds for the
    // handshakes after it. Connections already made keep what they were made with.
    void setNames(Names names);
    void setStallLimit(std::chrono::milliseconds limit);

private:
    Names m_names;
    std::chrono::milliseconds m_stallLimit;
    mutable std::mutex m_mutex; // connections may be made on several threads
    std::shared_ptr<const TlsApi> m_api;
};

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
    TlsConnection(TlsLibrary& library, StatusInfo statusInfo, TlsPolicy policy = {});
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
    std::chrono::milliseconds m_stallLimit;
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
