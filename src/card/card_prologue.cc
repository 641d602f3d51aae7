#include "card/card_prologue.h"

#include <algorithm>
#include <array>

#include "card/code_page.h"
#include "platform/ascii.h"

namespace kvx {

std::string DriveLetterFromText(const std::string& text) {
  if (text.empty()) return {};
  // A stray byte stands for itself, as a character of its own.
  std::string letter = text.substr(0, std::max<std::size_t>(1, ValidUtf8Length(text, 0)));
  letter[0] = UpperAscii(letter[0]);
  return letter;
}

bool IsBelowD(const std::string& letter) {
  return letter.empty() || static_cast<unsigned char>(letter[0]) < 'D';
}

Status OpenCard(CardVolume& card, Platform& platform, const std::string& letter) {
  card.VolumeHandle.reset();
  card.LastRead = Status();
  Result<std::unique_ptr<Volume>> opened = platform.OpenVolume(letter);
  if (!opened) return opened.status();
  card.VolumeHandle = std::move(opened).value();
  return Status();
}

PrologueResult RunCardPrologue(CardVolume& card, Platform& platform, const std::string& drive_text,
                               const std::function<void()>& on_opened) {
  PrologueResult result;
  std::string letter = DriveLetterFromText(drive_text);
  if (IsBelowD(letter)) {
    result.end = PrologueEnd::kLetterTooLow;
    return result;
  }
  result.open_failure = OpenCard(card, platform, letter);
  if (!result.open_failure.ok()) {
    result.end = PrologueEnd::kCannotOpen;
    return result;
  }
  on_opened();

  std::array<std::byte, kBootSectorSize> sector;
  if (ReadCard(card, 0, sector) == 0) {
    result.end = PrologueEnd::kCannotRead;
    return result;
  }
  result.end = PrologueEnd::kOpened;
  result.fields = DecodeBootSector(sector);
  result.generation = CardGenerationOf(result.fields);
  card.BytesPerCluster = result.fields.SectorsPerCluster * kSectorSize;
  return result;
}

}  // namespace kvx
