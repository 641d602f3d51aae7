// Retrieve on a card image with the imager's map beside it: the outcome names
// each copied file whose bytes include stretches the map marks unread, and
// nothing else changes.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "imaging/rescue_map.h"
#include "retrieve/retrieve.h"
#include "tests/support/action_harness.h"

namespace kvx::testing {
namespace {

using Bytes = std::vector<std::byte>;
constexpr std::int64_t kCardSize = 6 << 20;
constexpr std::int64_t kAtA = 0, kSizeA = 2500000;
constexpr std::int64_t kAtB = 3 << 20, kSizeB = 2000000;
constexpr char kCopiedBoth[] = "Copied 2 files, 4.3 MB, to out/";

Bytes AsBytes(const std::string& text) {
  Bytes bytes(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) bytes[i] = std::byte(text[i]);
  return bytes;
}

// A map of the card with [from, to) unread and the rest read, ending at `end`.
std::string MapWithUnread(std::int64_t from, std::int64_t to, std::int64_t end = kCardSize) {
  RescueMap map;
  map.Append(from, RangeState::kFinished);
  map.Append(to - from, RangeState::kBadSector);
  map.Append(end - to, RangeState::kFinished);
  map.phase = ImagingPhase::kFinished;
  return FormatRescueMap(map);
}

struct NotesCase {
  const char* name;
  std::function<void(MemoryPlatform&)> beside_card;  // what lies beside card E
  std::string outcome;
};

void PrintTo(const NotesCase& c, std::ostream* os) { *os << c.name; }

class UnreadSectorsNotesTest : public ::testing::TestWithParam<NotesCase> {};

// Lines A.KVX (2.5 MB at 0) and B.KVX (2.0 MB at 3 MiB), both selected.
TEST_P(UnreadSectorsNotesTest, NamesEachFileThatIncludesUnreadBytes) {
  const NotesCase& c = GetParam();
  ActionHarness h;
  Bytes card(kCardSize);
  for (std::size_t i = 0; i < card.size(); ++i) card[i] = std::byte(i * 7 & 0xFF);
  h.InsertBytes(card);
  h.ListSelected("A.KVX", kAtA, kSizeA);
  h.ListSelected("B.KVX", kAtB, kSizeB);
  h.controls.text2 = "out/";
  c.beside_card(h.platform);

  Retrieve(*h.state, h.controls, h.platform);

  ASSERT_EQ(h.controls.outcomes.size(), 1u);
  EXPECT_EQ(h.controls.outcomes[0],
            (Outcome{Outcome::kDone, c.outcome + "; digests in kvx-rescue-20261206-090507.sha256"}));
  // The files hold the card's bytes whatever the map says.
  EXPECT_EQ(h.platform.files["out/B.KVX"], Bytes(card.begin() + kAtB, card.begin() + kAtB + kSizeB));
  EXPECT_EQ(h.platform.files["out/A.KVX"].size(), static_cast<std::size_t>(kSizeA));
  EXPECT_TRUE(h.controls.messages.empty());
}

void PutMap(MemoryPlatform& platform, const std::string& text) {
  platform.files["E.map"] = AsBytes(text);
}

INSTANTIATE_TEST_SUITE_P(Maps, UnreadSectorsNotesTest, ::testing::Values(
    NotesCase{"NoMap", [](MemoryPlatform&) {}, kCopiedBoth},
    NotesCase{"UnreadInsideB",
              [](MemoryPlatform& p) { PutMap(p, MapWithUnread(kAtB + 4096, kAtB + 7168)); },
              std::string(kCopiedBoth) + "; B.KVX includes 3 KB the card could not give (see E.map)"},
    // The stretch straddles A's last byte: only A's part of it counts.
    NotesCase{"UnreadAcrossAsEnd",
              [](MemoryPlatform& p) { PutMap(p, MapWithUnread(kSizeA - 100, kSizeA + 412)); },
              std::string(kCopiedBoth) + "; A.KVX includes 100 bytes the card could not give (see E.map)"},
    NotesCase{"UnreadBetweenTheFiles",
              [](MemoryPlatform& p) { PutMap(p, MapWithUnread(kSizeA, kAtB)); }, kCopiedBoth},
    NotesCase{"UnreadFromBeforeB",
              [](MemoryPlatform& p) { PutMap(p, MapWithUnread(kAtB - 512, kAtB + 512)); },
              std::string(kCopiedBoth) + "; B.KVX includes 512 bytes the card could not give (see E.map)"},
    // An image whose map stops short: what it does not reach was never read.
    NotesCase{"MapEndsInsideB",
              [](MemoryPlatform& p) { PutMap(p, MapWithUnread(512, 1024, kAtB + kSizeB - 2048)); },
              std::string(kCopiedBoth) +
                  "; B.KVX includes 2 KB the card could not give (see E.map)"
                  "; A.KVX includes 512 bytes the card could not give (see E.map)"},
    NotesCase{"MapUnreadable", [](MemoryPlatform& p) { PutMap(p, "not a map\n"); },
              std::string(kCopiedBoth) + "; E.map unreadable"}));

}  // namespace
}  // namespace kvx::testing
