// Recognition of the instrument's cards by their boot sector, and the card
// report shown to the user.
#pragma once

#include <cstdint>
#include <string>

namespace kvx {

struct BootSectorFields {
  std::string OemName;  // the 8 bytes of the name field, as they stand
  std::int64_t SectorsPerCluster = 0;
  std::int64_t FatCount = 0;
  std::int64_t RootEntryCount = 0;
};

// 1 or 2 for current cards, 0 for obsolete ones, -1 for anything else.
int CardGenerationOf(const BootSectorFields& fields);

// The report for Label2 (UTF-8, CR LF line breaks): seven lines for a
// recognised card, four for any other.
std::string CardReport(const BootSectorFields& fields, int generation);

}  // namespace kvx
