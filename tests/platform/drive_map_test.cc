// "--drive" mappings: a letter, a path and, after the last "@", a partition.
#include "platform/drive_map.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kvx::testing {
namespace {

struct MapCase {
  const char* option;
  const char* letter;  // looked up afterwards
  const char* path;    // nullptr: refused, or no mapping
  int partition = 0;
};

void PrintTo(const MapCase& c, std::ostream* os) { *os << c.option; }

class DriveMapTest : public ::testing::TestWithParam<MapCase> {};

TEST_P(DriveMapTest, MapsTheLetterToItsPathAndPartition) {
  const MapCase& c = GetParam();
  DriveMap map;
  bool accepted = !map.Add(c.option).has_value();
  std::optional<VolumeLocation> location = map.LocationOf(c.letter);
  if (c.path == nullptr) {
    EXPECT_FALSE(location.has_value());
    return;
  }
  EXPECT_TRUE(accepted);
  EXPECT_EQ(location, (VolumeLocation{c.path, c.partition}));
  EXPECT_EQ(map.PathOf(c.letter), c.path);
  EXPECT_EQ(c.option + 2, LocationText(*location));
}

INSTANTIATE_TEST_SUITE_P(
    Options, DriveMapTest,
    ::testing::Values(MapCase{"E=/dev/sdb@1", "e", "/dev/sdb", 1},
                      MapCase{"E=gpt.img@255", "E", "gpt.img", 255},
                      // Anything but a partition number after the last "@" is path.
                      MapCase{"E=a@b/card.img", "E", "a@b/card.img"},
                      MapCase{"E=card.img@0", "E", "card.img@0"},
                      MapCase{"E=card.img@05", "E", "card.img@05"},
                      MapCase{"E=card.img@256", "E", "card.img@256"}, MapCase{"E=@1", "E", "@1"},
                      MapCase{"E=card.img", "F", nullptr}, MapCase{"E:card.img", "E", nullptr}));

// A later mapping of a letter replaces the earlier one; each is described in letter order.
TEST(DriveMapTest, DescribesEachLettersLastMappingInLetterOrder) {
  DriveMap map;
  for (const char* option : {"g=/dev/sdc", "E=first.img@2", "F=card.img", "e=whole.img@2"})
    ASSERT_FALSE(map.Add(option).has_value());
  EXPECT_EQ(map.Descriptions(),
            (std::vector<std::string>{"E: whole.img@2", "F: card.img", "G: /dev/sdc"}));
}

}  // namespace
}  // namespace kvx::testing
