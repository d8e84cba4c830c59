// A certificate authority made for one test with the openssl tool: server certificates it signs
// (valid for localhost, 127.0.0.1 and ::1; expired; for another host) and client certificates of a
// second authority, as PEM (certificate and key in one file) and as a password-protected PKCS#12.
#pragma once

#include <string>

#include "support/temp_dir.h"

namespace torvane::test {

class TestAuthority {
public:
    struct Pair {
        std::string certFile;
        std::string keyFile;
    };

    // Makes both authorities and every certificate; throws std::runtime_error when openssl fails.
    TestAuthority();

    const std::string& caFile() const { return m_caFile; }          // the server authority (PEM)
    const std::string& clientCaFile() const { return m_clientCa; }  // the client authority (PEM)
    const Pair& server() const { return m_server; }     // localhost, 127.0.0.1, ::1; valid
    const Pair& expired() const { return m_expired; }   // the same names, expired yesterday
    const Pair& otherHost() const { return m_otherHost; }  // valid, for other.example only
    const std::string& clientPem() const { return m_clientPem; }  // certificate and key
    const std::string& clientP12() const { return m_clientP12; }  // PKCS#12 under kP12Password

    static constexpr const char* kP12Password = "p12-secret";

    // The key pin of a certificate file: "sha256//" and the base64 of its key's SHA-256.
    std::string pinOf(const std::string& certFile) const;

private:
    Pair signedPair(const std::string& name, const std::string& subjectAltNames, int days);

    TempDir m_dir;
    std::string m_caFile;
    std::string m_clientCa;
    Pair m_server, m_expired, m_otherHost;
    std::string m_clientPem;
    std::string m_clientP12;
};

}  // namespace torvane::test
