// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvra {

// The text of one INI file (UTF-8 bytes) with profile-file read and write
// rules. Reading: section and key names match without regard to ASCII case,
// blanks around a value are dropped, one pair of enclosing double or single
// quotes is removed, and at most kMaxValueLength characters are returned.
// Writing: a key's line is replaced in place, else appended to its section,
// else a new section is appended; every other byte stays as it was.
// Standard library only, so the parser can be fuzzed on its own.
class IniDocument
{
public:
    static constexpr size_t kMaxValueLength = 2047;

    IniDocument() = default;
    static IniDocument parse(std::string_view bytes);

    bool hasSection(std::string_view section) const { return findSection(section).has_value(); }
    // nullopt when the section or the key is missing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    void setValue(std::string_view section, std::string_view key, std::string_view value);

    std::string serialize() const;

private:
    struct Line
    {
        std::string text; // without the line ending
        std::string ending; // "\n", "\r\n" or "" for a last line without one
    };
    struct Range
    {
        size_t header; // index of the section's header line
        size_t end; // one past its last line
    };

    std::optional<Range> findSection(std::string_view section) const;
    std::optional<size_t> findKey(const Range &range, std::string_view key) const;
    std::string newLineEnding() const;

    std::string m_bom;
    std::vector<Line> m_lines;
};

// Typed value rules shared by every settings key.
std::optional<int32_t> parseIniInteger(std::string_view text);
std::optional<double> parseIniDouble(std::string_view text, std::string_view decimalSeparator);
std::string formatIniDouble(double value, std::string_view decimalSeparator);

} // namespace kelvra
