// SPDX-License-Identifier: GPL-3.0-or-later
#include "json_reader.h"

#include <charconv>
#include <stdexcept>

namespace kelvra::test {

namespace {

class Parser
{
public:
    explicit Parser(std::string_view text)
        : m_text(text)
    {
    }

    JsonValue document()
    {
        JsonValue v = value();
        skipSpace();
        if (m_pos != m_text.size())
            fail("trailing text");
        return v;
    }

private:
    [[noreturn]] void fail(const char *what) const
    {
        throw std::runtime_error(std::string("JSON: ") + what + " at " + std::to_string(m_pos));
    }

    void skipSpace()
    {
        while (m_pos < m_text.size()
            && (m_text[m_pos] == ' ' || m_text[m_pos] == '\n' || m_text[m_pos] == '\r' || m_text[m_pos] == '\t'))
            ++m_pos;
    }

    bool take(char c)
    {
        skipSpace();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }

    void expect(char c)
    {
        if (!take(c))
            fail("unexpected character");
    }

    JsonValue value()
    {
        skipSpace();
        if (m_pos >= m_text.size())
            fail("unexpected end");
        JsonValue v;
        const char c = m_text[m_pos];
        if (c == '{') {
            ++m_pos;
            v.type = JsonValue::Object;
            if (take('}'))
                return v;
            do {
                skipSpace();
                std::string key = string();
                expect(':');
                v.object.emplace_back(std::move(key), value());
            } while (take(','));
            expect('}');
        } else if (c == '[') {
            ++m_pos;
            v.type = JsonValue::Array;
            if (take(']'))
                return v;
            do {
                v.array.push_back(value());
            } while (take(','));
            expect(']');
        } else if (c == '"') {
            v.type = JsonValue::String;
            v.string = string();
        } else if (m_text.substr(m_pos, 4) == "true" || m_text.substr(m_pos, 5) == "false") {
            v.type = JsonValue::Bool;
            v.boolean = c == 't';
            m_pos += v.boolean ? 4 : 5;
        } else if (m_text.substr(m_pos, 4) == "null") {
            m_pos += 4;
        } else {
            v.type = JsonValue::Number;
            const auto [end, ec] = std::from_chars(m_text.data() + m_pos, m_text.data() + m_text.size(), v.number);
            if (ec != std::errc())
                fail("bad number");
            m_pos = static_cast<size_t>(end - m_text.data());
        }
        return v;
    }

    std::string string()
    {
        if (m_pos >= m_text.size() || m_text[m_pos] != '"')
            fail("string expected");
        ++m_pos;
        std::string out;
        while (m_pos < m_text.size() && m_text[m_pos] != '"') {
            char c = m_text[m_pos++];
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_pos >= m_text.size())
                fail("bad escape");
            c = m_text[m_pos++];
            switch (c) {
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'u': {
                unsigned code = 0;
                const auto [end, ec] = std::from_chars(m_text.data() + m_pos, m_text.data() + m_pos + 4, code, 16);
                if (ec != std::errc() || end != m_text.data() + m_pos + 4 || code >= 0x800)
                    fail("unsupported \\u escape");
                m_pos += 4;
                if (code < 0x80) {
                    out += static_cast<char>(code);
                } else {
                    out += static_cast<char>(0xC0 | (code >> 6));
                    out += static_cast<char>(0x80 | (code & 0x3F));
                }
                break;
            }
            default:
                out += c;
                break;
            }
        }
        if (m_pos >= m_text.size())
            fail("unterminated string");
        ++m_pos;
        return out;
    }

    std::string_view m_text;
    size_t m_pos = 0;
};

} // namespace

const JsonValue &JsonValue::operator[](std::string_view key) const
{
    static const JsonValue null;
    for (const auto &[k, v] : object) {
        if (k == key)
            return v;
    }
    return null;
}

bool JsonValue::has(std::string_view key) const
{
    for (const auto &entry : object) {
        if (entry.first == key)
            return true;
    }
    return false;
}

JsonValue parseJson(std::string_view text)
{
    return Parser(text).document();
}

} // namespace kelvra::test
