#include "tools/TextCipher.h"

#include <sodium.h>

namespace {

// Layout of the sealed bytes, before base64:
//   version (1) | algorithm (1) | opsLimit (4, big-endian) | memLimitKiB (4)
//   | salt (16) | nonce (24) | ciphertext with its 16-byte tag
// Everything before the ciphertext is authenticated as associated data, so
// a changed header fails like a changed text.
constexpr quint8 kVersion = 1;
constexpr quint8 kAlgorithm = 1;   // Argon2id v1.3 + XChaCha20-Poly1305 (IETF)
constexpr int kHeaderSize = 10;
constexpr int kSaltSize = crypto_pwhash_SALTBYTES;
constexpr int kNonceSize = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr int kKeySize = crypto_aead_xchacha20poly1305_ietf_KEYBYTES;
constexpr int kTagSize = crypto_aead_xchacha20poly1305_ietf_ABYTES;
constexpr int kPrefixSize = kHeaderSize + kSaltSize + kNonceSize;
constexpr int kLineWidth = 76;

static_assert(kSaltSize == 16 && kNonceSize == 24 && kKeySize == 32 && kTagSize == 16);

// Every failure of encode is taken for a lack of memory, the only one a
// working machine meets; every failure of decode looks the same, so that
// nothing tells a wrong password from damaged text.
const QString kNoMemory = QStringLiteral("not enough memory");
const QString kNotDecoded = QStringLiteral("wrong password or text not encoded");

bool sodiumReady()
{
    static const bool ready = sodium_init() >= 0;
    return ready;
}

void putU32(uchar *p, quint32 v)
{
    p[0] = uchar(v >> 24);
    p[1] = uchar(v >> 16);
    p[2] = uchar(v >> 8);
    p[3] = uchar(v);
}

quint32 getU32(const uchar *p)
{
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

// Holds a secret and wipes it when it goes out of scope, whatever the path.
struct Secret {
    QByteArray bytes;
    explicit Secret(QByteArray b) : bytes(std::move(b)) { bytes.detach(); }
    explicit Secret(qsizetype size) : bytes(size, '\0') {}
    ~Secret()
    {
        if (!bytes.isEmpty())
            sodium_memzero(bytes.data(), size_t(bytes.size()));
    }
    Secret(const Secret &) = delete;
    Secret &operator=(const Secret &) = delete;
    uchar *data() { return reinterpret_cast<uchar *>(bytes.data()); }
    size_t size() const { return size_t(bytes.size()); }
};

bool deriveKey(Secret &key, const QString &password, const uchar *salt,
               const TextCipher::Limits &limits)
{
    // The same word typed through another input method may arrive
    // decomposed; NFC makes both the same key.
    Secret pw(password.normalized(QString::NormalizationForm_C).toUtf8());
    return crypto_pwhash(key.data(), key.size(), pw.bytes.constData(), pw.size(), salt,
                         limits.opsLimit, size_t(limits.memLimitKiB) * 1024u,
                         crypto_pwhash_ALG_ARGON2ID13) == 0;
}

QString compact(const QString &s)
{
    QString out;
    out.reserve(s.size());
    for (QChar c : s)
        if (!c.isSpace())
            out += c;
    return out;
}

} // namespace

const QString TextCipher::BeginLine = QStringLiteral("-----BEGIN QUILLET 99 ENCRYPTED TEXT-----");
const QString TextCipher::EndLine = QStringLiteral("-----END QUILLET 99 ENCRYPTED TEXT-----");

TextCipher::Limits TextCipher::interactiveLimits()
{
    return {quint32(crypto_pwhash_OPSLIMIT_INTERACTIVE),
            quint32(crypto_pwhash_MEMLIMIT_INTERACTIVE / 1024)};
}

bool TextCipher::acceptableLimits(const Limits &l)
{
    // Up to libsodium's "moderate" memory (256 MiB) and "sensitive" passes:
    // a second or so at worst, never gigabytes.
    return l.opsLimit >= crypto_pwhash_OPSLIMIT_MIN
        && l.opsLimit <= crypto_pwhash_OPSLIMIT_SENSITIVE
        && quint64(l.memLimitKiB) * 1024u >= crypto_pwhash_MEMLIMIT_MIN
        && quint64(l.memLimitKiB) * 1024u <= crypto_pwhash_MEMLIMIT_MODERATE;
}

TextCipher::TextCipher(Limits limits)
    : m_limits(limits)
{
}

Result<QString> TextCipher::encode(const QString &text, const QString &password) const
{
    if (!sodiumReady() || !acceptableLimits(m_limits))
        return Failure{kNoMemory};

    Secret plain(text.toUtf8());
    QByteArray sealed(kPrefixSize + plain.bytes.size() + kTagSize, '\0');
    auto *p = reinterpret_cast<uchar *>(sealed.data());
    p[0] = kVersion;
    p[1] = kAlgorithm;
    putU32(p + 2, m_limits.opsLimit);
    putU32(p + 6, m_limits.memLimitKiB);
    uchar *salt = p + kHeaderSize;
    uchar *nonce = salt + kSaltSize;
    randombytes_buf(salt, kSaltSize);
    randombytes_buf(nonce, kNonceSize);

    Secret key(kKeySize);
    if (!deriveKey(key, password, salt, m_limits))
        return Failure{kNoMemory};
    unsigned long long cipherLen = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(p + kPrefixSize, &cipherLen, plain.data(), plain.size(),
                                               p, kPrefixSize, nullptr, nonce, key.data());

    const QByteArray b64 = sealed.toBase64();
    QString out = BeginLine;
    out.reserve(b64.size() + b64.size() / kLineWidth * 2 + 2 * BeginLine.size() + 8);
    for (qsizetype i = 0; i < b64.size(); i += kLineWidth) {
        out += QStringLiteral("\r\n");
        out += QLatin1String(b64.constData() + i, qMin<qsizetype>(kLineWidth, b64.size() - i));
    }
    out += QStringLiteral("\r\n");
    out += EndLine;
    return out;
}

Result<QString> TextCipher::decode(const QString &armoured, const QString &password) const
{
    if (!sodiumReady())
        return Failure{kNotDecoded};

    // Line breaks and blanks may have been added or changed on the way
    // (mail, a text or RTF round trip): drop them all, markers included.
    static const QString begin = compact(BeginLine);
    static const QString end = compact(EndLine);
    const QString body = compact(armoured);
    if (!body.startsWith(begin) || !body.endsWith(end) || body.size() < begin.size() + end.size())
        return Failure{kNotDecoded};
    const QStringView b64 = QStringView(body).mid(begin.size(), body.size() - begin.size() - end.size());
    for (QChar c : b64)
        if (c.unicode() > 0x7F)
            return Failure{kNotDecoded};
    const auto decoded = QByteArray::fromBase64Encoding(
        b64.toLatin1(), QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return Failure{kNotDecoded};
    const QByteArray &sealed = *decoded;
    if (sealed.size() < kPrefixSize + kTagSize)
        return Failure{kNotDecoded};

    const auto *p = reinterpret_cast<const uchar *>(sealed.constData());
    if (p[0] != kVersion || p[1] != kAlgorithm)
        return Failure{kNotDecoded};
    const Limits limits{getU32(p + 2), getU32(p + 6)};
    // Checked before the key derivation runs: the tag cannot vouch for the
    // header until then.
    if (!acceptableLimits(limits))
        return Failure{kNotDecoded};
    const uchar *salt = p + kHeaderSize;
    const uchar *nonce = salt + kSaltSize;

    Secret key(kKeySize);
    if (!deriveKey(key, password, salt, limits))
        return Failure{kNotDecoded};
    const qsizetype cipherLen = sealed.size() - kPrefixSize;
    Secret plain(cipherLen - kTagSize);
    unsigned long long plainLen = 0;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(plain.data(), &plainLen, nullptr, p + kPrefixSize,
                                                   size_t(cipherLen), p, kPrefixSize, nonce,
                                                   key.data())
        != 0)
        return Failure{kNotDecoded};
    return QString::fromUtf8(plain.bytes.constData(), qsizetype(plainLen));
}
