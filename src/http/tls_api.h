// Inside the TLS unit only: OpenSSL's entry points as the table of pointers looked up at run time.
// Only the types, signatures and constants come from OpenSSL's headers: every call goes through a
// pointer, so the application starts (and plain http works) without OpenSSL.
#pragma once

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

namespace torvane {

// The entry points this unit calls, each looked up by name: the ssl library's, then the crypto one's.
#define TORVANE_TLS_SSL_ENTRY_POINTS(X) \
    X(OPENSSL_init_ssl) \
    X(TLS_client_method) \
    X(SSL_CTX_new) \
    X(SSL_CTX_free) \
    X(SSL_CTX_set_default_passwd_cb) \
    X(SSL_CTX_set_default_passwd_cb_userdata) \
    X(SSL_CTX_set_default_verify_paths) \
    X(SSL_CTX_set_info_callback) \
    X(SSL_CTX_set_cipher_list) \
    X(SSL_CTX_set_options) \
    X(SSL_CTX_ctrl) \
    X(SSL_new) \
    X(SSL_free) \
    X(SSL_set_ex_data) \
    X(SSL_get_ex_data) \
    X(SSL_set_fd) \
    X(SSL_ctrl) \
    X(SSL_connect) \
    X(SSL_read) \
    X(SSL_write) \
    X(SSL_get_error) \
    X(SSL_shutdown) \
    X(SSL_state_string_long) \
    X(SSL_get_current_cipher) \
    X(SSL_CIPHER_get_name) \
    X(SSL_CIPHER_description) \
    X(SSL_CIPHER_get_bits) \
    X(SSL_CIPHER_get_version) \
    X(SSL_CTX_load_verify_locations) \
    X(SSL_CTX_set_cert_store) \
    X(SSL_CTX_use_certificate_chain_file) \
    X(SSL_CTX_use_PrivateKey_file) \
    X(SSL_CTX_use_certificate) \
    X(SSL_CTX_use_PrivateKey) \
    X(SSL_CTX_check_private_key) \
    X(SSL_set1_host) \
    X(SSL_get0_param) \
    X(SSL_get_verify_result) \
    X(SSL_get1_peer_certificate) \
    X(SSL_get_peer_cert_chain)
#define TORVANE_TLS_CRYPTO_ENTRY_POINTS(X) \
    X(ERR_clear_error) \
    X(X509_STORE_new) \
    X(X509_VERIFY_PARAM_set1_ip_asc) \
    X(X509_verify_cert_error_string) \
    X(X509_free) \
    X(X509_get_subject_name) \
    X(X509_get_issuer_name) \
    X(X509_NAME_oneline) \
    X(X509_get0_notBefore) \
    X(X509_get0_notAfter) \
    X(ASN1_TIME_to_tm) \
    X(X509_get_X509_PUBKEY) \
    X(i2d_X509_PUBKEY) \
    X(EVP_Digest) \
    X(EVP_sha256) \
    X(OPENSSL_sk_num) \
    X(OPENSSL_sk_value) \
    X(OPENSSL_sk_pop_free) \
    X(d2i_PKCS12) \
    X(PKCS12_parse) \
    X(PKCS12_free) \
    X(EVP_PKEY_free)

struct TlsApi {
    void* cryptoHandle = nullptr;
    void* sslHandle = nullptr;

#define TORVANE_TLS_FIELD(name) decltype(&::name) name = nullptr;
    TORVANE_TLS_SSL_ENTRY_POINTS(TORVANE_TLS_FIELD)
    TORVANE_TLS_CRYPTO_ENTRY_POINTS(TORVANE_TLS_FIELD)
#undef TORVANE_TLS_FIELD
};

}  // namespace torvane
