#include "support/TestCertificates.h"

#include <QFile>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>
#include <stdexcept>

namespace {

struct Free
{
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
    void operator()(X509* p) const { X509_free(p); }
    void operator()(BIO* p) const { BIO_free(p); }
    void operator()(BIGNUM* p) const { BN_free(p); }
};
using Key = std::unique_ptr<EVP_PKEY, Free>;
using Certificate = std::unique_ptr<X509, Free>;
using Bio = std::unique_ptr<BIO, Free>;
using BigNum = std::unique_ptr<BIGNUM, Free>;

[[noreturn]] void fail(const char* step)
{
    char text[256] = {};
    ERR_error_string_n(ERR_get_error(), text, sizeof text);
    ERR_clear_error();
    throw std::runtime_error(std::string(step) + ": " + text);
}

void check(int ok, const char* step)
{
    if (ok != 1) fail(step);
}

Key makeKey()
{
    Key key(EVP_EC_gen("P-256"));
    if (!key) fail("EVP_EC_gen");
    return key;
}

void addExtension(X509* certificate, X509* issuer, int nid, const char* value)
{
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_nconf_nid(nullptr, &ctx, nid, value);
    if (!extension) fail("X509V3_EXT_nconf_nid");
    const int ok = X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
    check(ok, "X509_add_ext");
}

// A certificate for `key` named `commonName`; self-signed when `issuer` is
// null. Extensions are added by the caller before signing.
Certificate makeCertificate(EVP_PKEY* key, const char* commonName, X509* issuer)
{
    Certificate certificate(X509_new());
    if (!certificate) fail("X509_new");
    check(X509_set_version(certificate.get(), 2), "X509_set_version");

    // A random serial, so that two CAs made in one run never look alike.
    unsigned char serialBytes[16];
    check(RAND_bytes(serialBytes, sizeof serialBytes), "RAND_bytes");
    serialBytes[0] &= 0x7F;
    BigNum serial(BN_bin2bn(serialBytes, sizeof serialBytes, nullptr));
    if (!serial || !BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(certificate.get())))
        fail("serial number");

    if (!X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -3600) ||
        !X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 7L * 24 * 3600))
        fail("X509_gmtime_adj");
    check(X509_set_pubkey(certificate.get(), key), "X509_set_pubkey");
    X509_NAME* name = X509_get_subject_name(certificate.get());
    check(X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                                     reinterpret_cast<const unsigned char*>("Binorama tests"), -1, -1, 0),
          "X509_NAME_add_entry_by_txt");
    check(X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                     reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0),
          "X509_NAME_add_entry_by_txt");
    check(X509_set_issuer_name(certificate.get(), issuer ? X509_get_subject_name(issuer) : name),
          "X509_set_issuer_name");
    return certificate;
}

QByteArray bioText(BIO* bio)
{
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    return QByteArray(data, qsizetype(length));
}

QByteArray certificatePem(X509* certificate)
{
    Bio bio(BIO_new(BIO_s_mem()));
    check(PEM_write_bio_X509(bio.get(), certificate), "PEM_write_bio_X509");
    return bioText(bio.get());
}

QByteArray keyPem(EVP_PKEY* key)
{
    Bio bio(BIO_new(BIO_s_mem()));
    check(PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr),
          "PEM_write_bio_PrivateKey");
    return bioText(bio.get());
}

} // namespace

TestCertificates::TestCertificates()
{
    try {
        Key caKey = makeKey();
        Certificate ca = makeCertificate(caKey.get(), "Binorama Test CA", nullptr);
        addExtension(ca.get(), ca.get(), NID_basic_constraints, "critical,CA:TRUE");
        addExtension(ca.get(), ca.get(), NID_key_usage, "critical,keyCertSign,cRLSign");
        addExtension(ca.get(), ca.get(), NID_subject_key_identifier, "hash");
        check(X509_sign(ca.get(), caKey.get(), EVP_sha256()) > 0 ? 1 : 0, "X509_sign");

        Key serverKey = makeKey();
        Certificate server = makeCertificate(serverKey.get(), "localhost", ca.get());
        addExtension(server.get(), ca.get(), NID_basic_constraints, "critical,CA:FALSE");
        addExtension(server.get(), ca.get(), NID_key_usage, "critical,digitalSignature");
        addExtension(server.get(), ca.get(), NID_ext_key_usage, "serverAuth");
        addExtension(server.get(), ca.get(), NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1");
        addExtension(server.get(), ca.get(), NID_authority_key_identifier, "keyid:always");
        check(X509_sign(server.get(), caKey.get(), EVP_sha256()) > 0 ? 1 : 0, "X509_sign");

        caPem_ = certificatePem(ca.get());
        serverCertificatePem_ = certificatePem(server.get());
        serverKeyPem_ = keyPem(serverKey.get());
    } catch (const std::exception& e) {
        error_ = QString::fromUtf8(e.what());
    }
}

const TestCertificates& TestCertificates::shared()
{
    static const TestCertificates certificates;
    return certificates;
}

QSslKey TestCertificates::serverKey() const
{
    return QSslKey(serverKeyPem_, QSsl::Ec, QSsl::Pem, QSsl::PrivateKey);
}

QSslConfiguration TestCertificates::serverConfiguration() const
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificate(serverCertificate());
    configuration.setPrivateKey(serverKey());
    configuration.setProtocol(QSsl::TlsV1_2OrLater);
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    return configuration;
}

QSslConfiguration TestCertificates::clientConfigurationTrustingCa() const
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setCaCertificates({caCertificate()});
    configuration.setProtocol(QSsl::TlsV1_2OrLater);
    configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
    return configuration;
}

bool TestCertificates::writeCaPem(const QString& path) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return file.write(caPem_) == caPem_.size() && file.flush();
}
