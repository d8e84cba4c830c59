// The body of a POSTed name-value list: values encoded for a form, entries joined with "&".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace torvane {

// Letters and digits stay, a blank becomes "+", every other byte "%" and two upper-case hex digits.
std::string encodeFormValue(std::string_view value);
// A field name holding a blank, "&", "=", a control character (DEL included) or a byte above 127
// would break the body.
bool nameNeedsEncoding(std::string_view name);
// Those bytes encoded as in values (a blank as "+", the rest as "%XX"); every other byte stays.
std::string encodeFormName(std::string_view name);
// Each entry "name=value" with its value encoded once and its name only where nameNeedsEncoding; with two or more entries each is followed
// by "&"; bytes of code 32 and below are trimmed off both ends.
std::string encodePostBody(const std::vector<std::string>& entries);

}  // namespace torvane
