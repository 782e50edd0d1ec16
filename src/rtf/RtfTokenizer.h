#pragma once
// Splits RTF bytes into tokens: braces, control words (with their numeric
// parameter), control symbols, \'hh bytes and runs of plain text. It knows
// nothing about what a keyword means; the reader types keywords through the
// keyword table. Header-only so the hot loop inlines into the reader.

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace rtf {

struct Token {
    enum Type : uint8_t { End, Open, Close, Word, Symbol, Hex, Text };
    Type type = End;
    bool hasParam = false;
    char symbol = 0;    // Symbol: the character after the backslash
    uint8_t hex = 0;    // Hex: the byte value
    int32_t param = 0;  // Word: the parameter when hasParam
    std::string_view text; // Word: keyword name; Text: the bytes
};

class Tokenizer {
public:
    Tokenizer(const char *begin, const char *end) : m_p(begin), m_end(end) {}

    bool atEnd() const { return m_p >= m_end; }
    const char *position() const { return m_p; }
    size_t remaining() const { return size_t(m_end - m_p); }

    // The raw bytes that follow \binN: at most what is left of the input.
    std::string_view takeBytes(int64_t n)
    {
        if (n < 0)
            n = 0;
        size_t len = size_t(n) < remaining() ? size_t(n) : remaining();
        std::string_view v(m_p, len);
        m_p += len;
        return v;
    }

    Token next()
    {
        Token t;
        for (;;) {
            if (m_p >= m_end) {
                t.type = Token::End;
                return t;
            }
            const unsigned char c = static_cast<unsigned char>(*m_p);
            if (c == '{') {
                ++m_p;
                t.type = Token::Open;
                return t;
            }
            if (c == '}') {
                ++m_p;
                t.type = Token::Close;
                return t;
            }
            if (c == '\\')
                return control();
            if (c == '\r' || c == '\n' || c == 0) { // line ends carry no meaning
                ++m_p;
                continue;
            }
            const char *start = m_p;
            ++m_p;
            while (m_p < m_end && !isSpecial(static_cast<unsigned char>(*m_p)))
                ++m_p;
            t.type = Token::Text;
            t.text = std::string_view(start, size_t(m_p - start));
            return t;
        }
    }

private:
    static bool isSpecial(unsigned char c)
    {
        static constexpr auto table = [] {
            std::array<bool, 256> t{};
            t['\\'] = t['{'] = t['}'] = t['\r'] = t['\n'] = t[0] = true;
            return t;
        }();
        return table[c];
    }
    static bool isAlpha(unsigned char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
    static int hexValue(unsigned char c)
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        c |= 0x20;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    }

    Token control()
    {
        Token t;
        ++m_p; // the backslash
        if (m_p >= m_end) {
            t.type = Token::End;
            return t;
        }
        const unsigned char c = static_cast<unsigned char>(*m_p);
        if (isAlpha(c)) {
            const char *start = m_p;
            while (m_p < m_end && isAlpha(static_cast<unsigned char>(*m_p)))
                ++m_p;
            t.type = Token::Word;
            t.text = std::string_view(start, size_t(m_p - start));
            if (m_p < m_end && (*m_p == '-' || (*m_p >= '0' && *m_p <= '9'))) {
                bool neg = *m_p == '-';
                if (neg)
                    ++m_p;
                int64_t v = 0;
                bool digits = false;
                while (m_p < m_end && *m_p >= '0' && *m_p <= '9') {
                    if (v < 0x7fffffff)
                        v = v * 10 + (*m_p - '0');
                    ++m_p;
                    digits = true;
                }
                if (v > 0x7fffffff)
                    v = 0x7fffffff;
                if (digits) {
                    t.hasParam = true;
                    t.param = int32_t(neg ? -v : v);
                }
            }
            if (m_p < m_end && *m_p == ' ') // the delimiter belongs to the word
                ++m_p;
            return t;
        }
        ++m_p;
        if (c == '\'') {
            int hi = m_p < m_end ? hexValue(static_cast<unsigned char>(*m_p)) : -1;
            if (hi < 0) { // broken escape: drop it
                t.type = Token::Symbol;
                t.symbol = 0;
                return t;
            }
            ++m_p;
            int lo = m_p < m_end ? hexValue(static_cast<unsigned char>(*m_p)) : -1;
            if (lo < 0) {
                // One hex digit: the escape is broken, and like Word we take
                // two characters for it, so the second is not left as text.
                // Braces and backslashes still keep the structure.
                if (m_p < m_end && *m_p != '\\' && *m_p != '{' && *m_p != '}')
                    ++m_p;
                t.type = Token::Symbol;
                t.symbol = 0;
                return t;
            }
            ++m_p;
            t.type = Token::Hex;
            t.hex = uint8_t(hi * 16 + lo);
            return t;
        }
        t.type = Token::Symbol;
        t.symbol = char(c);
        return t;
    }

    const char *m_p;
    const char *m_end;
};

} // namespace rtf
