#include "card/card_report.h"

#include "card/card_volume.h"
#include "card/code_page.h"

namespace kvx {

namespace {

struct Signature {
  const char* oem_name;
  std::int64_t fat_count;
  int generation;
};

constexpr std::int64_t kSignatureRootEntries = 512;
constexpr Signature kSignatures[] = {
    {"ZENTOXC1", 1, 1},
    {"ZENTOXC2", 1, 2},
    {"ZENTOXC0", 2, 0},
};

}  // namespace

int CardGenerationOf(const BootSectorFields& fields) {
  for (const Signature& signature : kSignatures) {
    if (fields.OemName == signature.oem_name && fields.FatCount == signature.fat_count &&
        fields.RootEntryCount == kSignatureRootEntries) {
      return signature.generation;
    }
  }
  return -1;
}

std::string CardReport(const BootSectorFields& fields, int generation) {
  std::string report;
  if (generation >= 0) {
    report += generation == 0 ? "This is an obsolete ZENTO SD" : "This is a ZENTO SD";
    report += DoubleLineBreak;
    report += "ZENTO Firmware: " + std::to_string(generation) + "G";
    report += LineBreak;
  }
  report += "SD Name: " + Windows1252ToUtf8(fields.OemName);
  report += LineBreak;
  report += "Sector/Cluster: " + std::to_string(fields.SectorsPerCluster);
  report += LineBreak;
  report += "Number of FAT(s): " + std::to_string(fields.FatCount);
  report += LineBreak;
  report += "Max Root Dir Entries: " + std::to_string(fields.RootEntryCount);
  return report;
}

}  // namespace kvx
