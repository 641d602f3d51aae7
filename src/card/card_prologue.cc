#include "card/card_prologue.h"

#include <cstdint>

#include "card/card_report.h"
#include "card/little_endian.h"

namespace kvx {

namespace {

constexpr std::size_t kBootSectorSize = 512;

// Length of the UTF-8 sequence that starts with `lead` (1 for a stray byte).
std::size_t Utf8SequenceLength(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

BootSectorFields DecodeBootSector(std::span<const std::byte> sector) {
  BootSectorFields fields;
  fields.OemName.assign(reinterpret_cast<const char*>(sector.data()) + 3, 8);
  fields.SectorsPerCluster = ReadU8(sector, 13);
  fields.FatCount = ReadU8(sector, 16);
  fields.RootEntryCount = ReadU8(sector, 17) + BytePairFactor * ReadU8(sector, 18);
  return fields;
}

}  // namespace

std::string DriveLetterFromText(const std::string& text) {
  if (text.empty()) return {};
  auto lead = static_cast<unsigned char>(text[0]);
  std::string letter = text.substr(0, Utf8SequenceLength(lead));
  if (lead >= 'a' && lead <= 'z') letter[0] = static_cast<char>(lead - 'a' + 'A');
  return letter;
}

bool IsBelowD(const std::string& letter) {
  return letter.empty() || static_cast<unsigned char>(letter[0]) < 'D';
}

bool OpenCard(CardVolume& card, Platform& platform, const std::string& letter) {
  card.VolumeHandle.reset();
  card.VolumeHandle = platform.OpenVolume(letter);
  return card.VolumeHandle != nullptr;
}

bool CardPrologue(CardVolume& card, Controls& controls, Platform& platform,
                  const std::function<void()>& on_opened) {
  std::string letter = DriveLetterFromText(controls.Text1());
  if (IsBelowD(letter)) {
    controls.ShowMessage("Sorry, but I think this drive letter is too low to be a SD drive",
                         kApplicationTitle);
    return false;
  }
  if (!OpenCard(card, platform, letter)) {
    controls.SetCaption(Label::Label2, "Can't open SD");
    return false;
  }
  on_opened();

  std::span<std::byte> sector(card.SectorBuffer.data(), kBootSectorSize);
  if (ReadCard(card, 0, sector) == 0) {
    controls.SetCaption(Label::Label2, "Can't read SD");
    return false;
  }
  BootSectorFields fields = DecodeBootSector(sector);
  card.SectorsPerCluster = fields.SectorsPerCluster;
  card.BytesPerCluster = fields.SectorsPerCluster * kSectorSize;
  card.FatCount = fields.FatCount;
  card.RootEntryCount = fields.RootEntryCount;
  card.SectorsPerFat = ReadU16(sector, 22);
  card.CardGeneration = CardGenerationOf(fields);
  controls.SetCaption(Label::Label2, CardReport(fields, card.CardGeneration));
  return true;
}

}  // namespace kvx
