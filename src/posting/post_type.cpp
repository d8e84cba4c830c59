#include "posting/post_type.h"

#include "util/text.h"

namespace torvane {

PostType parsePostType(const std::string& text)
{
    for (PostType type : {PostType::Get, PostType::Post, PostType::Put})
        if (equalsIgnoreCaseAscii(text, postTypeName(type)))
            return type;
    return PostType::None;
}

const char* postTypeName(PostType type)
{
    switch (type) {
    case PostType::Get:
        return "GET";
    case PostType::Post:
        return "POST";
    case PostType::Put:
        return "PUT";
    case PostType::None:
        break;
    }
    return "";
}

std::optional<HttpMethod> methodOf(PostType type)
{
    switch (type) {
    case PostType::Get:
        return HttpMethod::Get;
    case PostType::Post:
        return HttpMethod::Post;
    case PostType::Put:
        return HttpMethod::Put;
    case PostType::None:
        break;
    }
    return std::nullopt;
}

}  // namespace torvane
