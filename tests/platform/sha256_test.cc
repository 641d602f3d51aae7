// SHA-256 against the published test vectors, whole and fed in odd pieces.
#include "platform/sha256.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace kvx::testing {
namespace {

struct DigestCase {
  const char* name;
  std::string message;
  const char* hex;
};

void PrintTo(const DigestCase& c, std::ostream* os) { *os << c.name; }

std::string DigestInPieces(const std::string& message, std::size_t piece) {
  Sha256 hash;
  std::span<const std::byte> bytes = std::as_bytes(std::span(message));
  while (!bytes.empty()) {
    std::size_t n = std::min(piece, bytes.size());
    hash.Update(bytes.first(n));
    bytes = bytes.subspan(n);
  }
  return HexOf(hash.Finish());
}

class Sha256Test : public ::testing::TestWithParam<DigestCase> {};

TEST_P(Sha256Test, GivesTheVectorsDigestWholeAndInPieces) {
  const DigestCase& c = GetParam();
  EXPECT_EQ(DigestInPieces(c.message, c.message.size() + 1), c.hex);
  EXPECT_EQ(DigestInPieces(c.message, 7), c.hex);
}

INSTANTIATE_TEST_SUITE_P(
    Vectors, Sha256Test,
    ::testing::Values(
        DigestCase{"Empty", "",
                   "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        DigestCase{"Abc", "abc",
                   "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        DigestCase{"TwoBlocks", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
                   "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        DigestCase{"MillionA", std::string(1000000, 'a'),
                   "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"}),
    [](const auto& info) { return info.param.name; });

TEST(Sha256, StartsAfreshAfterFinish) {
  Sha256 hash;
  hash.Update(std::as_bytes(std::span(std::string_view("something else"))));
  hash.Finish();
  hash.Update(std::as_bytes(std::span(std::string_view("abc"))));
  EXPECT_EQ(HexOf(hash.Finish()),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

}  // namespace
}  // namespace kvx::testing
