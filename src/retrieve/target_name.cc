#include "retrieve/target_name.h"

#include "card/code_page.h"
#include "search/found_file_list.h"

namespace kvx {

namespace {

// A separator would leave the directory; a control character is refused by
// some systems and unreadable in every listing.
bool IsRefusedEverywhere(unsigned char c) { return c == '/' || c == '\\' || c < 0x20 || c == 0x7F; }

}  // namespace

std::string TargetName(std::string_view name_field, std::string_view refused_here) {
  std::string name = PaddedFileName(name_field);
  for (char& c : name) {
    if (IsRefusedEverywhere(static_cast<unsigned char>(c)) ||
        refused_here.find(c) != std::string_view::npos) {
      c = '_';
    }
  }
  return Windows1252ToUtf8(name);
}

}  // namespace kvx
