#pragma once
// Legacy code pages for \'hh bytes and 8-bit text: single-byte pages decode
// through a 256-entry table, double-byte pages (932, 936, 949, 950, ...)
// through a QStringDecoder on whole runs so lead and trail bytes stay paired.

#include <QString>
#include <QStringDecoder>

#include <memory>
#include <string>
#include <unordered_map>

namespace rtf {

struct Codepage {
    int number = 1252;
    bool doubleByte = false;
    bool asciiCompatible = true; // bytes below 0x80 are ASCII
    char16_t table[256] = {};    // single-byte pages only
    mutable QStringDecoder decoder; // double-byte pages only (stateless)

    // Appends the decoded bytes of a single-byte page to out. Inline: the
    // reader calls it for every run of text.
    void appendSingle(std::u16string &out, const char *s, size_t n) const
    {
        const size_t old = out.size();
        out.resize(old + n);
        char16_t *dst = out.data() + old;
        const unsigned char *src = reinterpret_cast<const unsigned char *>(s);
        for (size_t i = 0; i < n; ++i)
            dst[i] = table[src[i]];
    }
};

// Not a Windows code page: the encoding of the Symbol font (\fcharset2).
constexpr int kSymbolCodepage = 42;

// The Windows code page that an \fcharset value stands for; 0 when the
// charset means "the document's ANSI page".
int codepageForCharset(int charset);

// One reader's cache of decoders: each page is set up once.
class Codepages {
public:
    // Never null: unknown or unsupported pages fall back to 1252.
    const Codepage *get(int number);

private:
    std::unordered_map<int, std::unique_ptr<Codepage>> m_pages;
    std::unordered_map<int, const Codepage *> m_aliases; // unsupported -> 1252
};

} // namespace rtf
