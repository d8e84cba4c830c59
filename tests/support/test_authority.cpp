#include "support/test_authority.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace torvane::test {

namespace {

void run(const std::string& command)
{
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
        throw std::runtime_error("openssl failed: " + command);
}

std::string output(const std::string& command)
{
    std::string text;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        std::array<char, 256> buf{};
        while (size_t n = std::fread(buf.data(), 1, buf.size(), p))
            text.append(buf.data(), n);
        ::pclose(p);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

const char* const kNewKey = "openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";

// A self-signed authority certificate and its key under dir/name.
void makeAuthority(const std::string& base, const std::string& subject)
{
    run(std::string(kNewKey) + " -x509 -days 3 -subj '" + subject + "' -keyout '" + base + ".key' -out '" + base +
        ".pem' -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign");
}

}  // namespace

TestAuthority::TestAuthority()
{
    const std::string d = m_dir.path();
    makeAuthority(d + "/ca", "/CN=Torvane Test Authority");
    makeAuthority(d + "/clientca", "/CN=Torvane Test Client Authority");
    m_caFile = d + "/ca.pem";
    m_clientCa = d + "/clientca.pem";
    const std::string loopbackNames = "DNS:localhost,IP:127.0.0.1,IP:::1";
    m_server = signedPair("server", loopbackNames, 2);
    m_expired = signedPair("expired", loopbackNames, -1);
    m_otherHost = signedPair("other", "DNS:other.example", 2);

    // The client's certificate, signed by the client authority.
    const std::string c = d + "/client";
    run(std::string(kNewKey) + " -subj /CN=operator -keyout '" + c + ".key' -out '" + c + ".csr'");
    run("openssl x509 -req -in '" + c + ".csr' -CA '" + d + "/clientca.pem' -CAkey '" + d +
        "/clientca.key' -CAcreateserial -days 2 -out '" + c + ".crt'");
    m_clientPem = c + "-both.pem";
    m_dir.write("client-both.pem", m_dir.read("client.crt") + m_dir.read("client.key"));
    m_clientP12 = c + ".p12";
    run("openssl pkcs12 -export -in '" + c + ".crt' -inkey '" + c + ".key' -passout pass:" + kP12Password +
        " -out '" + m_clientP12 + "'");
}

TestAuthority::Pair TestAuthority::signedPair(const std::string& name, const std::string& subjectAltNames, int days)
{
    const std::string d = m_dir.path();
    const std::string base = d + "/" + name;
    m_dir.write(name + ".ext", "subjectAltName=" + subjectAltNames + "\n");
    run(std::string(kNewKey) + " -subj /CN=" + name + " -keyout '" + base + ".key' -out '" + base + ".csr'");
    // A negative validity puts the end date in the past.
    run("openssl x509 -req -in '" + base + ".csr' -CA '" + d + "/ca.pem' -CAkey '" + d +
        "/ca.key' -CAcreateserial -days " + std::to_string(days) + " -extfile '" + base + ".ext' -out '" + base +
        ".pem'");
    return {base + ".pem", base + ".key"};
}

std::string TestAuthority::pinOf(const std::string& certFile) const
{
    return "sha256//" + output("openssl x509 -in '" + certFile + "' -pubkey -noout | openssl pkey -pubin -outform DER"
                               " | openssl dgst -sha256 -binary | openssl base64 -A");
}

}  // namespace torvane::test
