#include "http/tls_library.h"

#include "util/error.h"

#include "http/tls_api.h"

#include <arpa/inet.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <ctime>

namespace torvane {

namespace {

const char* const kLoadFailed = "Could not load SSL library.";
const char* const kCipherList = "ALL:!ADH:RC4+RSA:+HIGH:+MEDIUM:+LOW:+SSLv2:+EXP";

template <typename Fn>
bool lookUp(void* handle, const char* name, Fn& target)
{
    target = reinterpret_cast<Fn>(dlsym(handle, name));
    return target != nullptr;
}

// Every entry point must be there; one missing means an OpenSSL this unit cannot drive.
bool lookUpAll(TlsApi& a)
{
    bool all = true;
#define TORVANE_TLS_LOOK_UP_SSL(name) all = all && lookUp(a.sslHandle, #name, a.name);
#define TORVANE_TLS_LOOK_UP_CRYPTO(name) all = all && lookUp(a.cryptoHandle, #name, a.name);
    TORVANE_TLS_SSL_ENTRY_POINTS(TORVANE_TLS_LOOK_UP_SSL)
    TORVANE_TLS_CRYPTO_ENTRY_POINTS(TORVANE_TLS_LOOK_UP_CRYPTO)
#undef TORVANE_TLS_LOOK_UP_SSL
#undef TORVANE_TLS_LOOK_UP_CRYPTO
    return all;
}

std::shared_ptr<const TlsApi> loadApi(const TlsLibrary::Names& names)
{
    auto api = std::make_shared<TlsApi>();
    api->cryptoHandle = dlopen(names.crypto.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (api->cryptoHandle)
        api->sslHandle = dlopen(names.ssl.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!api->cryptoHandle || !api->sslHandle || !lookUpAll(*api)) {
        // Nothing of the library ran yet, so unloading it again is safe.
        if (api->sslHandle)
            dlclose(api->sslHandle);
        if (api->cryptoHandle)
            dlclose(api->cryptoHandle);
        throw Error(kLoadFailed);
    }
    // Error strings and the library's own start-up in one call. Once this ran the libraries stay
    // mapped for good: they register their own clean-up at process exit.
    if (api->OPENSSL_init_ssl(OPENSSL_INIT_LOAD_SSL_STRINGS | OPENSSL_INIT_LOAD_CRYPTO_STRINGS, nullptr) <= 0)
        throw Error(kLoadFailed);
    return api;
}

// OpenSSL writes to the socket with plain write(), so a server that has gone away would kill the
// process with SIGPIPE. For the length of one call the signal is held back and, if this call
// raised it, swallowed; errno survives the clean-up.
class SigpipeGuard {
public:
    SigpipeGuard()
    {
        sigemptyset(&m_pipe);
        sigaddset(&m_pipe, SIGPIPE);
        sigset_t pending;
        sigemptyset(&pending);
        sigpending(&pending);
        m_wasPending = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &m_pipe, &m_old);
    }
    ~SigpipeGuard()
    {
        const int savedErrno = errno;
        if (!m_wasPending) {
            sigset_t pending;
            sigemptyset(&pending);
            sigpending(&pending);
            if (sigismember(&pending, SIGPIPE) == 1) {
                const timespec zero{0, 0};
                while (sigtimedwait(&m_pipe, nullptr, &zero) == -1 && errno == EINTR) {
                }
            }
        }
        pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
        errno = savedErrno;
    }
    SigpipeGuard(const SigpipeGuard&) = delete;
    SigpipeGuard& operator=(const SigpipeGuard&) = delete;

private:
    sigset_t m_pipe;
    sigset_t m_old;
    bool m_wasPending = false;
};

void putInBlockingModeWithLimit(int fd, std::chrono::milliseconds limit)
{
    const int flags = fcntl(fd, F_GETFL, 0);
    if (flags != -1 && (flags & O_NONBLOCK))
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(limit.count() / 1000);
    tv.tv_usec = static_cast<suseconds_t>((limit.count() % 1000) * 1000);
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

// Server names are sent for name-based hosting only; an address literal is not a name there.
bool isAddressLiteral(const std::string& host)
{
    unsigned char buf[sizeof(in6_addr)];
    return inet_pton(AF_INET, host.c_str(), buf) == 1 || inet_pton(AF_INET6, host.c_str(), buf) == 1;
}

int clampToInt(size_t len)
{
    return len > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(len);
}

}  // namespace

TlsLibrary::TlsLibrary(Names names, std::chrono::milliseconds stallLimit)
    : m_names(std::move(names)), m_stallLimit(stallLimit)
{
}

std::shared_ptr<const TlsApi> TlsLibrary::api()
{
    std::lock_guard lock(m_mutex);
    if (!m_api)
        m_api = loadApi(m_names);
    return m_api;
}

bool TlsLibrary::loaded() const
{
    std::lock_guard lock(m_mutex);
    return m_api != nullptr;
}

std::chrono::milliseconds TlsLibrary::stallLimit() const
{
    std::lock_guard lock(m_mutex);
    return m_stallLimit;
}

void TlsLibrary::setNames(Names names)
{
    std::lock_guard lock(m_mutex);
    m_names = std::move(names);
    m_api.reset();
}

void TlsLibrary::setStallLimit(std::chrono::milliseconds limit)
{
    std::lock_guard lock(m_mutex);
    m_stallLimit = limit;
}

namespace {

using GetExData = void* (*)(const SSL*, int);

// OpenSSL's status callback carries no pointer of ours, and the library is loaded privately, so the
// SSL object's data slot is read through the very library whose code made the call.
GetExData exDataReaderOf(const void* codeAddress)
{
    Dl_info where{};
    if (dladdr(codeAddress, &where) == 0 || !where.dli_fname)
        return nullptr;
    void* handle = dlopen(where.dli_fname, RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    if (!handle)
        return nullptr;
    auto reader = reinterpret_cast<GetExData>(dlsym(handle, "SSL_get_ex_data"));
    dlclose(handle); // only the reference just taken: the library itself stays loaded
    return reader;
}

}  // namespace

// The two callbacks OpenSSL calls back into. Each reaches its own connection and nothing else, so
// connections on several threads need no lock between them.
struct TlsCallbacks {
    static void info(const SSL* ssl, int /*where*/, int /*ret*/)
    {
        const GetExData readExData = exDataReaderOf(__builtin_return_address(0));
        if (!readExData)
            return;
        auto* conn = static_cast<TlsConnection*>(readExData(ssl, 0));
        if (!conn)
            return;
        const char* state = conn->m_api->SSL_state_string_long(ssl);
        conn->report(std::string("SSL status: \"") + (state ? state : "") + "\"");
    }

    // The answer is the client certificate's password; without one it is empty.
    static int password(char* buf, int size, int /*rwflag*/, void* userdata)
    {
        if (!buf || size <= 0)
            return 0;
        const auto* conn = static_cast<const TlsConnection*>(userdata);
        const std::string& secret = conn ? conn->m_policy.clientCertificatePassword : std::string();
        const size_t n = std::min(secret.size(), size_t(size - 1));
        secret.copy(buf, n);
        buf[n] = '\0';
        return int(n);
    }
};

TlsConnection::TlsConnection(TlsLibrary& library, StatusInfo statusInfo, TlsPolicy policy)
    : m_api(library.api()), m_stallLimit(library.stallLimit()), m_statusInfo(std::move(statusInfo)),
      m_policy(std::move(policy))
{
    const TlsApi& a = *m_api;
    SSL_CTX* ctx = a.SSL_CTX_new(a.TLS_client_method());
    if (!ctx)
        throw Error("Error creating SSL context.");
    m_ctx = ctx;
    a.SSL_CTX_set_default_passwd_cb(ctx, &TlsCallbacks::password);
    a.SSL_CTX_set_default_passwd_cb_userdata(ctx, this);
    a.SSL_CTX_set_default_verify_paths(ctx);
    a.SSL_CTX_set_info_callback(ctx, &TlsCallbacks::info);
    // The list as a whole is accepted as long as any cipher in it exists; the names of long-gone
    // protocol families in it simply match nothing.
    if (a.SSL_CTX_set_cipher_list(ctx, kCipherList) <= 0) {
        a.SSL_CTX_free(ctx);
        m_ctx = nullptr;
        throw Error("SetCipher failed.");
    }
    // TLS 1.2 and 1.3 only, whatever the system's defaults say.
    a.SSL_CTX_ctrl(ctx, SSL_CTRL_SET_MIN_PROTO_VERSION, TLS1_2_VERSION, nullptr);
    // Many servers end a body by closing the socket without a close notify; that is the end of
    // the data, not a broken connection.
    a.SSL_CTX_set_options(ctx, SSL_OP_IGNORE_UNEXPECTED_EOF);
    // The handshake never verifies by itself: with a check asked for, the verdict is looked at once it
    // is done, before a byte of the request goes out, so that the failure can name its reason.
    try {
        useAuthorities();
        useClientCertificate();
    } catch (...) {
        a.SSL_CTX_free(ctx);
        m_ctx = nullptr;
        throw;
    }
}

TlsConnection::~TlsConnection()
{
    releaseSsl();
    if (m_ctx)
        m_api->SSL_CTX_free(static_cast<SSL_CTX*>(m_ctx));
}

void TlsConnection::releaseSsl()
{
    if (!m_ssl)
        return;
    m_api->SSL_free(static_cast<SSL*>(m_ssl));
    m_ssl = nullptr;
    m_handshakeDone = false;
}

void TlsConnection::report(const std::string& text)
{
    if (m_statusInfo)
        m_statusInfo(text);
}

void TlsConnection::handshake(int fd, const std::string& serverName)
{
    const TlsApi& a = *m_api;
    releaseSsl();
    m_broken = false;
    SigpipeGuard guard;
    a.ERR_clear_error();

    SSL* ssl = a.SSL_new(static_cast<SSL_CTX*>(m_ctx));
    if (!ssl)
        throw Error("Error connecting with SSL.");
    m_ssl = ssl;
    if (a.SSL_set_ex_data(ssl, 0, this) < 1)
        throw Error("Error binding data to SSL socket.");
    if (a.SSL_set_fd(ssl, fd) < 1)
        throw Error("Error connecting with SSL.");
    if (!serverName.empty() && !isAddressLiteral(serverName))
        a.SSL_ctrl(ssl, SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name,
                   const_cast<char*>(serverName.c_str()));
    expectName(ssl, serverName);

    putInBlockingModeWithLimit(fd, m_stallLimit);

    if (a.SSL_connect(ssl) < 1) {
        m_broken = true;
        a.ERR_clear_error();
        throw Error("Error connecting with SSL.");
    }
    m_handshakeDone = true;
    m_verifyFailure = checkPeer(ssl);
    if (!m_verifyFailure.empty() && !m_policy.reportOnly) {
        m_broken = true;
        throw Error("Certificate not trusted: " + m_verifyFailure);
    }

    const SSL_CIPHER* cipher = a.SSL_get_current_cipher(ssl);
    if (!cipher)
        return;
    char description[1024] = {};
    const char* name = a.SSL_CIPHER_get_name(cipher);
    const char* desc = a.SSL_CIPHER_description(cipher, description, sizeof description);
    const char* version = a.SSL_CIPHER_get_version(cipher);
    const int bits = a.SSL_CIPHER_get_bits(cipher, nullptr);
    report(std::string("Cipher: name = ") + (name ? name : "") + "; " + "description = " + (desc ? desc : "")
           + "; " + "bits = " + std::to_string(bits) + "; " + "version = " + (version ? version : "") + "; ");
}

namespace {

// Turns a failed SSL_read/SSL_write into the socket-style result the connection layer expects.
long failedResult(int sslError, int savedErrno, bool& broken)
{
    switch (sslError) {
    case SSL_ERROR_ZERO_RETURN:
        return 0;
    case SSL_ERROR_WANT_READ:
    case SSL_ERROR_WANT_WRITE:
        // Still nothing after the second try: the socket's stall limit ran out.
        errno = ETIMEDOUT;
        return -1;
    case SSL_ERROR_SYSCALL:
        broken = true;
        if (savedErrno == 0)
            return 0;  // the peer closed the socket
        errno = savedErrno;
        return -1;
    default:
        broken = true;
        errno = ECONNABORTED;  // the peer broke the protocol
        return -1;
    }
}

struct Transfer {
    int result = 0;
    int sslError = SSL_ERROR_NONE;
    int savedErrno = 0;
};

// One SSL_read or SSL_write; when OpenSSL reports that it wants to read or write first, the call is
// made once more and its result stands.
template <typename Call> Transfer transferOnce(const TlsApi* api, SSL* ssl, Call call)
{
    const TlsApi& a = *api;
    Transfer t;
    SigpipeGuard guard;
    for (int attempt = 0; attempt < 2; ++attempt) {
        a.ERR_clear_error();
        errno = 0;
        t.result = call();
        t.savedErrno = errno;
        if (t.result > 0)
            return t;
        t.sslError = a.SSL_get_error(ssl, t.result);
        if (t.sslError != SSL_ERROR_WANT_READ && t.sslError != SSL_ERROR_WANT_WRITE)
            break;
    }
    a.ERR_clear_error();
    return t;
}

}  // namespace

namespace {

// Where both directions start: -1 (ENOTCONN) on a connection that cannot carry bytes, 0 when there
// is nothing to move, 1 to go on.
int startTransfer(bool usable, size_t len)
{
    if (!usable) {
        errno = ENOTCONN;
        return -1;
    }
    return len == 0 ? 0 : 1;
}

}  // namespace

long TlsConnection::read(char* buf, size_t len)
{
    if (const int go = startTransfer(m_ssl && m_handshakeDone && !m_broken, len); go <= 0)
        return go;
    SSL* ssl = static_cast<SSL*>(m_ssl);
    const Transfer t = transferOnce(m_api.get(), ssl, [&] { return m_api->SSL_read(ssl, buf, clampToInt(len)); });
    return t.result > 0 ? t.result : failedResult(t.sslError, t.savedErrno, m_broken);
}

long TlsConnection::write(const char* buf, size_t len)
{
    if (const int go = startTransfer(m_ssl && m_handshakeDone && !m_broken, len); go <= 0)
        return go;
    SSL* ssl = static_cast<SSL*>(m_ssl);
    const Transfer t = transferOnce(m_api.get(), ssl, [&] { return m_api->SSL_write(ssl, buf, clampToInt(len)); });
    if (t.result > 0)
        return t.result;
    if (t.sslError == SSL_ERROR_ZERO_RETURN || (t.sslError == SSL_ERROR_SYSCALL && t.savedErrno == 0)) {
        // A write cannot report "closed" as a count: a peer that went away is a reset connection.
        m_broken = true;
        errno = EPIPE;
        return -1;
    }
    return failedResult(t.sslError, t.savedErrno, m_broken);
}

void TlsConnection::shutdown()
{
    if (!m_ssl || !m_handshakeDone || m_broken)
        return;
    SigpipeGuard guard;
    m_api->ERR_clear_error();
    m_api->SSL_shutdown(static_cast<SSL*>(m_ssl));
    m_api->ERR_clear_error();
    m_broken = true;  // no further close notify; the object is freed with the connection
}

}  // namespace torvane
