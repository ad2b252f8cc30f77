// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvra::test {

// Just enough JSON to read the photo reference file: objects, arrays,
// strings (\uXXXX below 0x800 only), numbers, true/false/null.
struct JsonValue
{
    enum Type { Null, Bool, Number, String, Array, Object };
    Type type = Null;
    bool boolean = false;
    double number = 0;
    std::string string;
    std::vector<JsonValue> array;
    std::vector<std::pair<std::string, JsonValue>> object;

    // Member by key; a Null value when absent or when this is not an object.
    const JsonValue &operator[](std::string_view key) const;
    bool has(std::string_view key) const;
    bool isNull() const { return type == Null; }
};

// Throws std::runtime_error on malformed text.
JsonValue parseJson(std::string_view text);

} // namespace kelvra::test
