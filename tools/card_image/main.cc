// kvx-card-image: writes a synthetic card image from a description, or one
// KVX recording as a plain file (to copy onto a real FAT image).
//   kvx-card-image DESCRIPTION|- OUTPUT
//   kvx-card-image --recording BODY_LENGTH SEED OUTPUT
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "tools/card_image/card_description.h"

namespace {

int WriteRecording(const char* body_text, const char* seed_text, const char* output) {
  long long body = std::atoll(body_text);
  if (body < 0 || body > 0xFFFFFFFFLL) {
    std::fprintf(stderr, "kvx-card-image: bad body length %s\n", body_text);
    return 2;
  }
  kvx::CardImage file(kvx::CardImage::Layout::kG2, 1536 + body);
  file.PlaceFile(0, static_cast<std::uint32_t>(body), static_cast<std::uint8_t>(std::atoi(seed_text)));
  if (!file.WriteTo(output)) {
    std::fprintf(stderr, "kvx-card-image: cannot write %s\n", output);
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::string(argv[1]) == "--recording") return WriteRecording(argv[2], argv[3], argv[4]);
  if (argc != 3) {
    std::fprintf(stderr,
                 "Usage: kvx-card-image DESCRIPTION|- OUTPUT\n"
                 "       kvx-card-image --recording BODY_LENGTH SEED OUTPUT\n");
    return 2;
  }
  std::ifstream file;
  std::istream* in = &std::cin;
  if (std::string(argv[1]) != "-") {
    file.open(argv[1]);
    if (!file) {
      std::fprintf(stderr, "kvx-card-image: cannot read %s\n", argv[1]);
      return 1;
    }
    in = &file;
  }
  std::string error;
  auto image = kvx::BuildCardImage(*in, error);
  if (!image) {
    std::fprintf(stderr, "kvx-card-image: %s\n", error.c_str());
    return 1;
  }
  if (!image->WriteTo(argv[2])) {
    std::fprintf(stderr, "kvx-card-image: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
