// UTF-8, the core's text, to and from UTF-16, Win32's, at the window's edge.
// Bytes that are not UTF-8 become U+FFFD rather than being dropped.
#pragma once

#include <string>

namespace kvx {

std::wstring WideText(const std::string& utf8);
std::string Utf8Text(const std::wstring& wide);

}  // namespace kvx
