// The writer's output layer: bytes, escaping and line breaking (see Sink in
// RtfWriterImpl.h).

#include "rtf/RtfWriterImpl.h"

#include "base/Cp1252.h"

#include <charconv>
#include <cstring>

namespace rtf::writer {

namespace {
const char kHexDigits[] = "0123456789abcdef";
} // namespace

void Sink::hexByte(uchar b)
{
    const char s[] = {'\\', '\'', kHexDigits[b >> 4], kHexDigits[b & 15], 0};
    raw(s);
}

void Sink::closeGroupKeepingLook()
{
    m_out.append('}');
    m_needDelim = false;
    m_look.clear();
    if (!m_outerLooks.empty()) {
        m_look = std::move(m_outerLooks.back());
        m_outerLooks.pop_back();
    }
}

void Sink::text(const QChar *chars, qsizetype n, bool inFontTable)
{
    if (n <= 0)
        return;
    // Worst case per UTF-16 unit: "\u-12345?" or "\u233\'e9" (12 bytes),
    // plus a line break now and then.
    const qsizetype old = m_out.size();
    m_out.resize(old + n * 12 + (n / 64 + 2) * 2 + 1);
    char *const base = m_out.data();
    char *p = base + old;
    char *lineStart = base + m_lineStart;
    bool needDelim = m_needDelim;
    const bool lineBreaks = m_lineBreaks;

    auto control = [&](void) {
        // before a control word: keep lines short
        if (lineBreaks && p - lineStart >= kSoftLine) {
            *p++ = '\r';
            *p++ = '\n';
            lineStart = p;
        }
        *p++ = '\\';
    };
    auto number = [&](int v) {
        auto r = std::to_chars(p, p + 8, v);
        p = r.ptr;
    };
    auto hexByte = [&](unsigned char b) {
        control();
        *p++ = '\'';
        *p++ = kHexDigits[b >> 4];
        *p++ = kHexDigits[b & 15];
    };

    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = chars[i].unicode();
        if (u >= 0x20 && u < 0x7F) {
            if (u == '\\' || u == '{' || u == '}') {
                control();
                *p++ = char(u);
                needDelim = false;
                continue;
            }
            if (inFontTable && u == ';') {
                hexByte(';');
                needDelim = false;
                continue;
            }
            if (needDelim) {
                // only a letter, digit, '-' or space would be taken
                // into the control word (or eaten as its delimiter)
                if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9')
                    || u == ' ' || u == '-')
                    *p++ = ' ';
                needDelim = false;
            } else if (lineBreaks && p - lineStart >= kHardLine) {
                *p++ = '\r';
                *p++ = '\n';
                lineStart = p;
            }
            *p++ = char(u);
            continue;
        }
        // In a table entry \tab, \~ and the like are words that readers
        // do not take as the name's characters: there they are written as
        // the characters themselves.
        switch (inFontTable && u != 0x0000 ? char16_t(0xFFFF) : u) {
        case u'\t':
            control();
            std::memcpy(p, "tab", 3);
            p += 3;
            needDelim = true;
            continue;
        case 0x2028: // line separator (Shift+Enter)
            control();
            std::memcpy(p, "line", 4);
            p += 4;
            needDelim = true;
            continue;
        case 0x00A0:
            control();
            *p++ = '~';
            needDelim = false;
            continue;
        case 0x00AD:
            control();
            *p++ = '-';
            needDelim = false;
            continue;
        case 0x2011:
            control();
            *p++ = '_';
            needDelim = false;
            continue;
        case 0x0000:
            continue; // NUL ends strings in too many readers
        default:
            break;
        }
        if (u < 0x20 || u == 0x7F) {
            hexByte(static_cast<unsigned char>(u));
            needDelim = false;
            continue;
        }
        // \uN takes a signed 16-bit N; characters beyond the BMP come
        // as their two surrogates, each a \uN of its own.
        control();
        *p++ = 'u';
        number(u > 32767 ? int(u) - 65536 : int(u));
        const unsigned char fb = cp1252::fromUnicode(u);
        if (fb) {
            *p++ = '\\';
            *p++ = '\'';
            *p++ = kHexDigits[fb >> 4];
            *p++ = kHexDigits[fb & 15];
        } else {
            *p++ = '?';
        }
        needDelim = false;
    }
    m_out.resize(p - base);
    m_lineStart = lineStart - base;
    m_needDelim = needDelim;
}

void Sink::hexData(const QByteArray &data)
{
    const qsizetype old = m_out.size();
    const qsizetype n = data.size();
    m_out.resize(old + n * 2 + (n / 64 + 1) * 2);
    char *p = m_out.data() + old;
    const auto *src = reinterpret_cast<const unsigned char *>(data.constData());
    for (qsizetype i = 0; i < n; ++i) {
        if (i && i % 64 == 0) {
            *p++ = '\r';
            *p++ = '\n';
        }
        *p++ = kHexDigits[src[i] >> 4];
        *p++ = kHexDigits[src[i] & 15];
    }
    m_out.resize(p - m_out.data());
    m_lineStart = m_out.lastIndexOf('\n') + 1;
}

} // namespace rtf::writer
