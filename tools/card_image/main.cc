// kvx-card-image: writes a synthetic card image from a description.
//   kvx-card-image DESCRIPTION|- OUTPUT
#include <cstdio>
#include <fstream>
#include <iostream>

#include "tools/card_image/card_description.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "Usage: kvx-card-image DESCRIPTION|- OUTPUT\n");
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
