#pragma once
// The encryption component of the encryption dialog: a whole text in, a
// printable armoured text out, and back, under a password.
//
// Key from the password with Argon2id (random salt), text sealed with
// XChaCha20-Poly1305 (random nonce). The armour is plain ASCII between a
// BEGIN and an END line, wrapped at 76 characters, so it can be mailed,
// saved as text or RTF and pasted back; white space is ignored on the way in.

#include "base/Result.h"

#include <QByteArray>
#include <QString>

class TextCipher
{
public:
    // Argon2id cost, stored in every encrypted text so that a later version
    // may raise it without breaking what was written before.
    struct Limits {
        quint32 opsLimit;
        quint32 memLimitKiB;
    };
    static Limits interactiveLimits();

    static const QString BeginLine;
    static const QString EndLine;

    explicit TextCipher(Limits limits = interactiveLimits());

    // The armoured text (CR LF between lines, no line end after the last);
    // fails when the machine could not give the key derivation its memory.
    Result<QString> encode(const QString &text, const QString &password) const;

    // The text that encode was given; fails when the password is wrong, the
    // armour was changed or cut, or the text was never encrypted.
    Result<QString> decode(const QString &armoured, const QString &password) const;

    // The largest cost decode accepts from a text's header: more would let a
    // forged header make us allocate or compute without bound.
    static bool acceptableLimits(const Limits &limits);

private:
    Limits m_limits;
};
