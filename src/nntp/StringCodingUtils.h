#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

// Text and byte conversions of the news-server store, and the format in which
// it keeps passwords:
//
//     secret = U(Base64(AES-256-CBC(latin1(password), K, IV))) ":" U(Base64(IV))
//
// with a fresh 16-byte IV per encryption, PKCS#7 padding, U the URL query
// escaping (which turns "+" into %2B and "=" into %3D) and K the 32-digit key
// derived from the server's id by makePassPhrase(). Stores written by earlier
// versions of the program use exactly this format, so it must not change.
//
// The key depends only on the server id, which is stored beside the secret:
// the format hides passwords from a casual look at the file, nothing more.
class StringCodingUtils
{
public:
    // Source of the IV bytes: given a count, returns that many bytes.
    using RandomSource = std::function<QByteArray(qsizetype)>;

    static constexpr qsizetype kIvLength = 16;
    static constexpr qsizetype kKeyLength = 32;

    // --- text coding helpers ---

    // UTF-8 bytes; none for a null string.
    static std::optional<QByteArray> stringToData(const QString& text);
    // Standard Base64 without line breaks; none for null data.
    static std::optional<QString> encodeDataToBase64String(const QByteArray& data);
    // Strict Base64: only the Base64 alphabet, padded to a multiple of four
    // characters, "=" only at the end. None for a null string or anything else.
    static std::optional<QByteArray> decodeBase64StringToData(const QString& text);
    // Lower-case hexadecimal, two digits per byte; empty for empty data.
    static QString NSDataToHexString(const QByteArray& data);
    // Percent-encodes (as UTF-8, upper-case hex) every character outside the
    // URL query set, and "&", "=", "?" and "+".
    static QString urlEncodeString(const QString& text);
    // "+" becomes a blank, then percent escapes are decoded as UTF-8. None
    // when an escape is malformed or the bytes are not UTF-8.
    static std::optional<QString> urlDecodeString(const QString& text);
    // `text` repeated end to end, cut to `length` characters; empty for an
    // empty text.
    static QString convertString(const QString& text, qsizetype length);

    // --- password format ---

    // The stored text for `text` under the key of the server id `passPhrase`.
    // None when the id gives no key or the password has characters outside
    // ISO Latin-1 (they have no byte in the format; storing them otherwise
    // would read back as a different password). `random` supplies the IV;
    // by default randomDataOfLength().
    static std::optional<QString> encryptString(const QString& text, const QString& passPhrase,
                                                const RandomSource& random = {});
    // The password of a stored text, or none when it is malformed, its IV is
    // not 16 bytes, or it does not decrypt under the key of `passPhrase`.
    static std::optional<QString> decryptString(const QString& stored, const QString& passPhrase);

    // Base64 text of the AES-256-CBC encryption of the Latin-1 bytes of `text`.
    static std::optional<QString> aesEncryptString(const QString& text, const QString& keyPass,
                                                   const QByteArray& iv);
    // The Latin-1 text of the decryption of `data`.
    static std::optional<QString> aesDecryptData(const QByteArray& data, const QString& keyPass,
                                                 const QByteArray& iv);
    // The 32-digit key text of the bytes of a server id; none for no bytes.
    static std::optional<QString> makePassPhrase(const QByteArray& data);
    // `length` bytes of the system's secure random source. Should the source
    // fail, the bytes stay zero and a console line says so.
    static QByteArray randomDataOfLength(qsizetype length);
};
