// The checks a TLS connection makes when its policy asks for them: the authorities it trusts, the
// name the certificate must carry, the pinned key, and the client certificate it shows; and the
// description of the chain a server showed.
#include "http/tls_api.h"
#include "http/tls_library.h"

#include "util/base64.h"
#include "util/error.h"
#include "util/text.h"

#include <arpa/inet.h>

#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>

namespace torvane {

namespace {

const char* const kPinPrefix = "sha256//";

bool isPin(const std::string& verify)
{
    return verify.rfind(kPinPrefix, 0) == 0;
}

bool isIpAddress(const std::string& host)
{
    unsigned char buf[sizeof(in6_addr)];
    return inet_pton(AF_INET, host.c_str(), buf) == 1 || inet_pton(AF_INET6, host.c_str(), buf) == 1;
}

std::string timeText(const TlsApi& a, const ASN1_TIME* t)
{
    std::tm tm{};
    if (!t || a.ASN1_TIME_to_tm(t, &tm) != 1)
        return "?";
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &tm);
    return text;
}

std::string nameText(const TlsApi& a, const X509_NAME* name)
{
    char text[512] = {};
    return name && a.X509_NAME_oneline(name, text, sizeof text) ? text : "";
}

std::string pinOf(const TlsApi& a, X509* cert)
{
    X509_PUBKEY* key = a.X509_get_X509_PUBKEY(cert);
    const int length = key ? a.i2d_X509_PUBKEY(key, nullptr) : -1;
    if (length <= 0)
        return {};
    std::string der(size_t(length), '\0');
    auto* out = reinterpret_cast<unsigned char*>(der.data());
    a.i2d_X509_PUBKEY(key, &out);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    if (a.EVP_Digest(der.data(), der.size(), digest, &digestLength, a.EVP_sha256(), nullptr) != 1)
        return {};
    return kPinPrefix + base64Encode(std::string_view(reinterpret_cast<const char*>(digest), digestLength));
}

// The reason, in the operator's words, for a verification result other than X509_V_OK.
std::string reasonOf(const TlsApi& a, long result, const std::string& host)
{
    switch (result) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return "expired";
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return "not yet valid";
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        return "self-signed";
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        return "unknown authority";
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return "name mismatch with the host " + host;
    default: {
        const char* text = a.X509_verify_cert_error_string(result);
        return text ? text : "verification error " + std::to_string(result);
    }
    }
}

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

void TlsConnection::useAuthorities()
{
    const std::string& verify = m_policy.verify;
    if (verify.empty() || verify == "System" || isPin(verify))
        return;
    const TlsApi& a = *m_api;
    SSL_CTX* ctx = static_cast<SSL_CTX*>(m_ctx);
    // Only the file's authorities: a store of its own replaces the system's paths loaded before.
    a.SSL_CTX_set_cert_store(ctx, a.X509_STORE_new());
    if (a.SSL_CTX_load_verify_locations(ctx, verify.c_str(), nullptr) != 1) {
        a.ERR_clear_error();
        throw Error("TLSVerify: no certificate authority could be read from \"" + verify + "\"");
    }
}

void TlsConnection::useClientCertificate()
{
    const std::string& path = m_policy.clientCertificate;
    if (path.empty())
        return;
    const TlsApi& a = *m_api;
    SSL_CTX* ctx = static_cast<SSL_CTX*>(m_ctx);
    const std::string bytes = fileBytes(path);
    bool used = false;
    if (bytes.find("-----BEGIN") != std::string::npos) {
        // The key's password, if any, comes through the password callback.
        used = a.SSL_CTX_use_certificate_chain_file(ctx, path.c_str()) == 1 &&
               a.SSL_CTX_use_PrivateKey_file(ctx, path.c_str(), SSL_FILETYPE_PEM) == 1;
    } else {
        auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
        PKCS12* p12 = a.d2i_PKCS12(nullptr, &in, long(bytes.size()));
        EVP_PKEY* key = nullptr;
        X509* cert = nullptr;
        STACK_OF(X509)* chain = nullptr;
        if (p12 && a.PKCS12_parse(p12, m_policy.clientCertificatePassword.c_str(), &key, &cert, &chain) == 1) {
            used = a.SSL_CTX_use_certificate(ctx, cert) == 1 && a.SSL_CTX_use_PrivateKey(ctx, key) == 1;
            auto* stack = reinterpret_cast<OPENSSL_STACK*>(chain);
            // The context keeps a reference of its own to each certificate of the chain.
            for (int i = 0; used && stack && i < a.OPENSSL_sk_num(stack); ++i)
                used = a.SSL_CTX_ctrl(ctx, SSL_CTRL_CHAIN_CERT, 1, a.OPENSSL_sk_value(stack, i)) == 1;
        }
        if (chain)
            a.OPENSSL_sk_pop_free(reinterpret_cast<OPENSSL_STACK*>(chain), reinterpret_cast<void (*)(void*)>(a.X509_free));
        if (cert)
            a.X509_free(cert);
        if (key)
            a.EVP_PKEY_free(key);
        if (p12)
            a.PKCS12_free(p12);
    }
    used = used && a.SSL_CTX_check_private_key(ctx) == 1;
    a.ERR_clear_error();
    if (!used)
        throw Error("ClientCertificate: \"" + path +
                    "\" holds no certificate and key that this password opens (PEM or PKCS#12)");
}

void TlsConnection::expectName(void* sslObject, const std::string& serverName)
{
    m_serverName = serverName;
    const std::string& verify = m_policy.verify;
    if (verify.empty() || isPin(verify) || serverName.empty())
        return;
    const TlsApi& a = *m_api;
    SSL* ssl = static_cast<SSL*>(sslObject);
    if (isIpAddress(serverName))
        a.X509_VERIFY_PARAM_set1_ip_asc(a.SSL_get0_param(ssl), serverName.c_str());
    else
        a.SSL_set1_host(ssl, serverName.c_str());
}

std::string TlsConnection::checkPeer(void* sslObject) const
{
    const std::string& verify = m_policy.verify;
    if (verify.empty())
        return {};
    const TlsApi& a = *m_api;
    SSL* ssl = static_cast<SSL*>(sslObject);
    X509* cert = a.SSL_get1_peer_certificate(ssl);
    if (!cert)
        return "the server showed no certificate";
    std::string reason;
    if (isPin(verify)) {
        if (pinOf(a, cert) != verify)
            reason = "key does not match the pin";
    } else if (const long result = a.SSL_get_verify_result(ssl); result != X509_V_OK) {
        reason = reasonOf(a, result, m_serverName);
    }
    a.X509_free(cert);
    return reason;
}

std::vector<PeerCertificate> TlsConnection::peerChain() const
{
    std::vector<PeerCertificate> chain;
    if (!m_ssl || !m_handshakeDone)
        return chain;
    const TlsApi& a = *m_api;
    auto* stack = reinterpret_cast<OPENSSL_STACK*>(a.SSL_get_peer_cert_chain(static_cast<SSL*>(m_ssl)));
    for (int i = 0; stack && i < a.OPENSSL_sk_num(stack); ++i) {
        auto* cert = static_cast<X509*>(a.OPENSSL_sk_value(stack, i));
        chain.push_back({nameText(a, a.X509_get_subject_name(cert)), nameText(a, a.X509_get_issuer_name(cert)),
                         timeText(a, a.X509_get0_notBefore(cert)), timeText(a, a.X509_get0_notAfter(cert)),
                         pinOf(a, cert)});
    }
    return chain;
}

}  // namespace torvane
