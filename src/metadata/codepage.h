// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace kelvra {

// Metadata value texts are single-byte Windows-1252 strings (the degree sign is
// byte 0xB0); these convert them at the edge where text leaves the layer.
std::string cp1252ToUtf8(std::string_view bytes);

// Characters that Windows-1252 cannot hold become '?'.
std::string utf8ToCp1252(std::string_view utf8);

} // namespace kelvra
