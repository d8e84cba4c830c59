// The request a run sends for each record, parsed once from the PostType setting when the run's
// settings are read; everything after compares the value, never the text.
#pragma once

#include "http/http_request.h"

#include <optional>
#include <string>

namespace torvane {

enum class PostType {
    None,  // blank or a text that names no request: no record is sent
    Get,
    Post,
    Put,
};

// The setting's text, in any letter case.
PostType parsePostType(const std::string& text);
// "GET", "POST" or "PUT"; empty for None.
const char* postTypeName(PostType type);
// The HTTP method of the post type; none for None.
std::optional<HttpMethod> methodOf(PostType type);

}  // namespace torvane
