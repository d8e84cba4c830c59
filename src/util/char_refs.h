// Character references in attribute values of a saved page (&amp;, &#233;, &#x20AC; ...), turned into
// the bytes the page's own charset gives those characters.
#pragma once

#include <string>
#include <string_view>

namespace torvane {

// Decodes &amp; &lt; &gt; &quot; &#39; &nbsp; and numeric references. A character above 127 becomes
// its UTF-8 bytes when charset names UTF-8, else its byte in that single-byte charset (Windows-1252
// when charset is empty or unknown); a reference that charset has no character for, and every other
// named reference, stays as written.
std::string decodeCharacterReferences(std::string_view text, const std::string& charset);

}  // namespace torvane
