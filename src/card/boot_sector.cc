#include "card/boot_sector.h"

#include "card/little_endian.h"

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

BootSectorFields DecodeBootSector(std::span<const std::byte> sector) {
  BootSectorFields fields;
  fields.OemName.assign(reinterpret_cast<const char*>(sector.data()) + 3, 8);
  fields.SectorsPerCluster = ReadU8(sector, 13);
  fields.FatCount = ReadU8(sector, 16);
  fields.RootEntryCount = ReadU16(sector, 17);
  return fields;
}

int CardGenerationOf(const BootSectorFields& fields) {
  for (const Signature& signature : kSignatures) {
    if (fields.OemName == signature.oem_name && fields.FatCount == signature.fat_count &&
        fields.RootEntryCount == kSignatureRootEntries) {
      return signature.generation;
    }
  }
  return -1;
}

}  // namespace kvx
