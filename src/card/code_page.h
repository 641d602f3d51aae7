// Text on the card is one byte per character in the Windows-1252 code page.
// Everything the core hands to a front end is UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace kvx {

// Every byte becomes the character it stands for in Windows-1252; the five
// bytes that code page leaves undefined become U+0081, U+008D, U+008F,
// U+0090 and U+009D, as Windows itself maps them. NUL stays NUL.
std::string Windows1252ToUtf8(std::string_view bytes);

}  // namespace kvx
