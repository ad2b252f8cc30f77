// SPDX-License-Identifier: GPL-3.0-or-later
#include "stamp/ini_document.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace kelvra {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

// The name of a "[name]" header line, or nullopt for any other line.
std::optional<std::string_view> sectionName(std::string_view line)
{
    line = trimmed(line);
    if (line.size() < 2 || line.front() != '[')
        return std::nullopt;
    size_t close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return trimmed(line.substr(1, close - 1));
}

std::optional<std::string_view> keyName(std::string_view line)
{
    size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return trimmed(line.substr(0, eq));
}

} // namespace

IniDocument IniDocument::parse(std::string_view bytes)
{
    IniDocument doc;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        doc.m_bom = bytes.substr(0, 3);
        bytes.remove_prefix(3);
    }
    while (!bytes.empty()) {
        size_t nl = bytes.find('\n');
        Line line;
        if (nl == std::string_view::npos) {
            line.text = bytes;
            bytes = {};
        } else {
            line.text = bytes.substr(0, nl);
            line.ending = "\n";
            bytes.remove_prefix(nl + 1);
        }
        if (!line.ending.empty() && !line.text.empty() && line.text.back() == '\r') {
            line.text.pop_back();
            line.ending.insert(0, "\r");
        }
        doc.m_lines.push_back(std::move(line));
    }
    return doc;
}

std::optional<IniDocument::Range> IniDocument::findSection(std::string_view section) const
{
    for (size_t i = 0; i < m_lines.size(); ++i) {
        auto name = sectionName(m_lines[i].text);
        if (!name || !equalsNoCase(*name, section))
            continue;
        size_t end = i + 1;
        while (end < m_lines.size() && !sectionName(m_lines[end].text))
            ++end;
        return Range { i, end };
    }
    return std::nullopt;
}

std::optional<size_t> IniDocument::findKey(const Range &range, std::string_view key) const
{
    for (size_t i = range.header + 1; i < range.end; ++i) {
        auto name = keyName(m_lines[i].text);
        if (name && equalsNoCase(*name, key))
            return i;
    }
    return std::nullopt;
}

std::optional<std::string> IniDocument::value(std::string_view section, std::string_view key) const
{
    auto range = findSection(section);
    if (!range)
        return std::nullopt;
    auto index = findKey(*range, key);
    if (!index)
        return std::nullopt;
    std::string_view line = m_lines[*index].text;
    std::string_view text = trimmed(line.substr(line.find('=') + 1));
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front())
        text = text.substr(1, text.size() - 2);
    if (text.size() > kMaxValueLength) {
        text = text.substr(0, kMaxValueLength);
        // Never cut a UTF-8 sequence in half.
        while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80)
            text.remove_suffix(1);
        if (!text.empty() && static_cast<unsigned char>(text.back()) >= 0xC0)
            text.remove_suffix(1);
    }
    return std::string(text);
}

std::string IniDocument::newLineEnding() const
{
    for (const Line &line : m_lines) {
        if (!line.ending.empty())
            return line.ending;
    }
    return "\n";
}

void IniDocument::setValue(std::string_view section, std::string_view key, std::string_view value)
{
    std::string text = std::string(key) + "=" + std::string(value);
    const std::string ending = newLineEnding();
    auto range = findSection(section);
    if (range) {
        if (auto index = findKey(*range, key)) {
            m_lines[*index].text = std::move(text);
            return;
        }
        // After the section's last non-blank line, so blank separators stay below it.
        size_t at = range->end;
        while (at > range->header + 1 && trimmed(m_lines[at - 1].text).empty())
            --at;
        if (m_lines[at - 1].ending.empty())
            m_lines[at - 1].ending = ending;
        m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at), Line { std::move(text), ending });
        return;
    }
    if (!m_lines.empty() && m_lines.back().ending.empty())
        m_lines.back().ending = ending;
    m_lines.push_back(Line { "[" + std::string(section) + "]", ending });
    m_lines.push_back(Line { std::move(text), ending });
}

std::string IniDocument::serialize() const
{
    std::string out = m_bom;
    for (const Line &line : m_lines) {
        out += line.text;
        out += line.ending;
    }
    return out;
}

std::optional<int32_t> parseIniInteger(std::string_view text)
{
    text = trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.substr(0, 2) == "0x" || text.substr(0, 2) == "0X") {
        base = 16;
        text.remove_prefix(2);
    } else if (!text.empty() && text.front() == '$') {
        base = 16;
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    uint64_t magnitude = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    if (base == 16) {
        // Hexadecimal spells the 32 bits, so $FFFFFFFF is -1.
        if (magnitude > 0xFFFFFFFFull)
            return std::nullopt;
        auto bits = static_cast<uint32_t>(magnitude);
        if (negative)
            bits = 0u - bits;
        return static_cast<int32_t>(bits);
    }
    if (magnitude > (negative ? 2147483648ull : 2147483647ull))
        return std::nullopt;
    return static_cast<int32_t>(negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude));
}

std::optional<double> parseIniDouble(std::string_view text, std::string_view decimalSeparator)
{
    text = trimmed(text);
    if (text.empty())
        return std::nullopt;
    // Rewrite into the C form; a '.' is only valid where it is the separator.
    std::string plain;
    for (size_t i = 0; i < text.size();) {
        if (!decimalSeparator.empty() && text.substr(i, decimalSeparator.size()) == decimalSeparator) {
            plain += '.';
            i += decimalSeparator.size();
            continue;
        }
        char c = text[i++];
        if (c == '.')
            return std::nullopt;
        plain += c;
    }
    std::string_view digits = plain;
    if (digits.front() == '+')
        digits.remove_prefix(1);
    if (digits.empty()
        || !(
            std::isdigit(static_cast<unsigned char>(digits.front())) || digits.front() == '.' || digits.front() == '-'))
        return std::nullopt;
    double result = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), result, std::chars_format::general);
    if (ec != std::errc() || end != digits.data() + digits.size() || !std::isfinite(result))
        return std::nullopt;
    return result;
}

std::string formatIniDouble(double value, std::string_view decimalSeparator)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    std::string text = buffer;
    // "1E-05" is written "1E-5".
    size_t e = text.find('E');
    if (e != std::string::npos) {
        size_t digits = e + 1;
        if (digits < text.size() && (text[digits] == '+' || text[digits] == '-')) {
            if (text[digits] == '+')
                text.erase(digits, 1);
            else
                ++digits;
        }
        while (digits + 1 < text.size() && text[digits] == '0')
            text.erase(digits, 1);
    }
    size_t dot = text.find('.');
    if (dot != std::string::npos)
        text.replace(dot, 1, decimalSeparator);
    return text;
}

} // namespace kelvra
