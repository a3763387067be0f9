#include "nntp/StringCodingUtils.h"

#include "core/Logger.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <climits>
#include <memory>

namespace {

void consoleLine(const char* operation, const QString& error)
{
    Logger::shared()->writeToConsole(QStringLiteral("%1 %2\n").arg(QLatin1String(operation), error));
}

QString openSslError(const char* step)
{
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    char text[256] = {};
    if (code != 0) ERR_error_string_n(code, text, sizeof text);
    return QStringLiteral("%1 failed: %2").arg(QLatin1String(step), QLatin1String(text));
}

bool isLatin1(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0xFF) return false;
    }
    return true;
}

bool isBase64Character(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

// Characters a URL query may hold unescaped, less the four that have a
// meaning inside one ("&", "=", "?", "+").
bool isUnreservedForQuery(char16_t c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
    switch (c) {
    case '!':
    case '$':
    case '\'':
    case '(':
    case ')':
    case '*':
    case ',':
    case '-':
    case '.':
    case '/':
    case ':':
    case ';':
    case '@':
    case '_':
    case '~':
        return true;
    default:
        return false;
    }
}

int hexValue(char16_t c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

struct CipherContextDeleter
{
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextDeleter>;

// One AES-256-CBC pass with PKCS#7 padding. None when OpenSSL rejects the
// key, the IV or the input (a wrong padding on decryption among them).
std::optional<QByteArray> runCipher(const char* operation, bool encrypt, const QByteArray& input,
                                    const QString& keyPass, const QByteArray& iv)
{
    const QByteArray key = keyPass.toLatin1();
    if (key.size() != StringCodingUtils::kKeyLength || !isLatin1(keyPass)) {
        consoleLine(operation, QStringLiteral("key must be %1 bytes").arg(StringCodingUtils::kKeyLength));
        return std::nullopt;
    }
    if (iv.size() != StringCodingUtils::kIvLength) {
        consoleLine(operation, QStringLiteral("IV must be %1 bytes").arg(StringCodingUtils::kIvLength));
        return std::nullopt;
    }
    CipherContext ctx(EVP_CIPHER_CTX_new());
    if (!ctx) {
        consoleLine(operation, openSslError("EVP_CIPHER_CTX_new"));
        return std::nullopt;
    }
    const auto* keyBytes = reinterpret_cast<const unsigned char*>(key.constData());
    const auto* ivBytes = reinterpret_cast<const unsigned char*>(iv.constData());
    if (EVP_CipherInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr, keyBytes, ivBytes, encrypt ? 1 : 0) != 1) {
        consoleLine(operation, openSslError("EVP_CipherInit_ex"));
        return std::nullopt;
    }
    QByteArray output(input.size() + EVP_MAX_BLOCK_LENGTH, Qt::Uninitialized);
    auto* out = reinterpret_cast<unsigned char*>(output.data());
    int written = 0;
    if (EVP_CipherUpdate(ctx.get(), out, &written, reinterpret_cast<const unsigned char*>(input.constData()),
                         int(input.size())) != 1) {
        consoleLine(operation, openSslError("EVP_CipherUpdate"));
        return std::nullopt;
    }
    int last = 0;
    if (EVP_CipherFinal_ex(ctx.get(), out + written, &last) != 1) {
        consoleLine(operation, openSslError("EVP_CipherFinal_ex"));
        return std::nullopt;
    }
    output.truncate(written + last);
    return output;
}

} // namespace

std::optional<QByteArray> StringCodingUtils::stringToData(const QString& text)
{
    if (text.isNull()) return std::nullopt;
    return text.toUtf8();
}

std::optional<QString> StringCodingUtils::encodeDataToBase64String(const QByteArray& data)
{
    if (data.isNull()) return std::nullopt;
    return QString::fromLatin1(data.toBase64());
}

std::optional<QByteArray> StringCodingUtils::decodeBase64StringToData(const QString& text)
{
    if (text.isNull() || text.size() % 4 != 0 || !isLatin1(text)) return std::nullopt;
    const QByteArray bytes = text.toLatin1();
    qsizetype padding = 0;
    while (padding < 2 && padding < bytes.size() && bytes.at(bytes.size() - 1 - padding) == '=')
        ++padding;
    for (qsizetype i = 0; i < bytes.size() - padding; ++i) {
        if (!isBase64Character(bytes.at(i))) return std::nullopt;
    }
    auto result = QByteArray::fromBase64Encoding(bytes, QByteArray::AbortOnBase64DecodingErrors);
    if (!result) return std::nullopt;
    return *result;
}

QString StringCodingUtils::NSDataToHexString(const QByteArray& data)
{
    return QString::fromLatin1(data.toHex());
}

QString StringCodingUtils::urlEncodeString(const QString& text)
{
    static const char kHex[] = "0123456789ABCDEF";
    QString result;
    result.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const char16_t c = text.at(i).unicode();
        if (isUnreservedForQuery(c)) {
            result.append(QChar(c));
            ++i;
            continue;
        }
        // A surrogate pair is one character and is escaped as one.
        const qsizetype length = (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QByteArray utf8 = text.mid(i, length).toUtf8();
        for (const char byte : utf8) {
            const auto b = static_cast<unsigned char>(byte);
            result.append(QLatin1Char('%'));
            result.append(QLatin1Char(kHex[b >> 4]));
            result.append(QLatin1Char(kHex[b & 0x0F]));
        }
        i += length;
    }
    return result;
}

std::optional<QString> StringCodingUtils::urlDecodeString(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('+')) {
            bytes.append(' ');
        } else if (c == QLatin1Char('%')) {
            if (i + 2 >= text.size()) return std::nullopt;
            const int high = hexValue(text.at(i + 1).unicode());
            const int low = hexValue(text.at(i + 2).unicode());
            if (high < 0 || low < 0) return std::nullopt;
            bytes.append(char(high * 16 + low));
            i += 2;
        } else {
            // A run of plain characters is converted at once, so that a
            // surrogate pair stays whole.
            qsizetype end = i + 1;
            while (end < text.size() && text.at(end) != QLatin1Char('%') && text.at(end) != QLatin1Char('+'))
                ++end;
            bytes.append(QStringView(text).mid(i, end - i).toUtf8());
            i = end - 1;
        }
    }
    // Escapes must spell UTF-8; a round trip through QString shows whether
    // they did (invalid sequences come back as replacement characters).
    const QString decoded = QString::fromUtf8(bytes);
    if (decoded.toUtf8() != bytes) return std::nullopt;
    return decoded;
}

QString StringCodingUtils::convertString(const QString& text, qsizetype length)
{
    if (text.isEmpty() || length <= 0) return QString();
    QString result;
    result.reserve(length + text.size());
    while (result.size() < length)
        result.append(text);
    result.truncate(length);
    return result;
}

std::optional<QString> StringCodingUtils::encryptString(const QString& text, const QString& passPhrase,
                                                        const RandomSource& random)
{
    const auto key = makePassPhrase(passPhrase.toUtf8());
    if (!key) return std::nullopt;
    const QByteArray iv = random ? random(kIvLength) : randomDataOfLength(kIvLength);
    const auto cipherText = aesEncryptString(text, *key, iv);
    if (!cipherText) return std::nullopt;
    const QString ivText = *encodeDataToBase64String(iv);
    return urlEncodeString(*cipherText) + QLatin1Char(':') + urlEncodeString(ivText);
}

std::optional<QString> StringCodingUtils::decryptString(const QString& stored, const QString& passPhrase)
{
    const QStringList pieces = stored.split(QLatin1Char(':'));
    if (pieces.size() < 2) return std::nullopt;
    const auto cipherText = urlDecodeString(pieces.first());
    const auto ivText = urlDecodeString(pieces.last());
    if (!cipherText || !ivText) return std::nullopt;
    const auto data = decodeBase64StringToData(*cipherText);
    const auto iv = decodeBase64StringToData(*ivText);
    if (!data || !iv || iv->size() != kIvLength) return std::nullopt;
    const auto key = makePassPhrase(passPhrase.toUtf8());
    if (!key) return std::nullopt;
    return aesDecryptData(*data, *key, *iv);
}

std::optional<QString> StringCodingUtils::aesEncryptString(const QString& text, const QString& keyPass,
                                                           const QByteArray& iv)
{
    if (!isLatin1(text)) {
        consoleLine("aesEncryptString", QStringLiteral("the password has characters outside ISO Latin-1"));
        return std::nullopt;
    }
    const auto cipherText = runCipher("aesEncryptString", true, text.toLatin1(), keyPass, iv);
    if (!cipherText) return std::nullopt;
    return encodeDataToBase64String(*cipherText);
}

std::optional<QString> StringCodingUtils::aesDecryptData(const QByteArray& data, const QString& keyPass,
                                                         const QByteArray& iv)
{
    const auto plain = runCipher("aesDecryptData", false, data, keyPass, iv);
    if (!plain) return std::nullopt;
    return QString::fromLatin1(*plain);
}

std::optional<QString> StringCodingUtils::makePassPhrase(const QByteArray& data)
{
    if (data.isEmpty()) return std::nullopt;
    // The hexadecimal text of the bytes, read from its second digit on as one
    // unsigned 64-bit number that saturates on overflow (strtoull's rule).
    // Any id of nine or more characters therefore saturates.
    const QByteArray hex = data.toHex();
    unsigned long long value = 0;
    bool saturated = false;
    for (qsizetype i = 1; i < hex.size(); ++i) {
        const int digit = hexValue(char16_t(static_cast<unsigned char>(hex.at(i))));
        if (digit < 0) break;
        if (value > (ULLONG_MAX >> 4)) saturated = true;
        value = (value << 4) | unsigned(digit);
    }
    if (saturated) value = ULLONG_MAX;
    return convertString(QString::number(value), kKeyLength);
}

QByteArray StringCodingUtils::randomDataOfLength(qsizetype length)
{
    QByteArray bytes(length, '\0');
    if (length > 0 && RAND_bytes(reinterpret_cast<unsigned char*>(bytes.data()), int(length)) != 1) {
        const unsigned long code = ERR_get_error();
        ERR_clear_error();
        Logger::shared()->writeToConsole(
            QStringLiteral("Unable to generate random bytes (error: %1)\n").arg(qulonglong(code)));
        bytes.fill('\0');
    }
    return bytes;
}
