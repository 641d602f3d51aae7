// Text on the card is one byte per character in the Windows-1252 code page.
// Everything the core hands to a front end is UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kvx {

// Every byte becomes the character it stands for in Windows-1252; the five
// bytes that code page leaves undefined become U+0081, U+008D, U+008F,
// U+0090 and U+009D, as Windows itself maps them. NUL stays NUL.
std::string Windows1252ToUtf8(std::string_view bytes);

// The length of the valid UTF-8 sequence at text[at] (1 to 4), or 0 where none
// starts there: a continuation byte, an overlong lead (C0, C1), a lead above
// F4, or a sequence cut short or broken.
// REQUIRES: at < text.size().
std::size_t ValidUtf8Length(std::string_view text, std::size_t at);

}  // namespace kvx
