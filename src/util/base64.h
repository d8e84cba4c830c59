// Base64 as RFC 4648 writes it (with "=" padding): for Basic credentials and for key pins.
#pragma once

#include <string>
#include <string_view>

namespace torvane {

std::string base64Encode(std::string_view bytes);
// Whether text is the base64 of exactly byteCount bytes, padding included.
bool isBase64Of(std::string_view text, size_t byteCount);

}  // namespace torvane
