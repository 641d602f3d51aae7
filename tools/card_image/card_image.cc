#include "tools/card_image/card_image.h"

#include <algorithm>
#include <fstream>

namespace kvx {

namespace {

constexpr std::int64_t kHeaderSize = 1536;

}  // namespace

CardImage::CardImage(Layout layout, std::int64_t length)
    : layout_(layout), bytes_(static_cast<std::size_t>(std::max<std::int64_t>(length, 0))) {
  SetSignature(layout == Layout::kG1 ? "ZENTOXC1" : "ZENTOXC2");
  SetByte(11, 0x00);  // 512 bytes per sector
  SetByte(12, 0x02);
  SetSectorsPerCluster(64);
  SetFatCount(1);
  SetRootEntryCount(512);
  SetSectorsPerFat(layout == Layout::kG1 ? 124 : 244);
  SetByte(510, 0x55);
  SetByte(511, 0xAA);
  SetMarker(true);
}

std::int64_t CardImage::EntryRegionOffset() const {
  return layout_ == Layout::kG1 ? 64000 : 124928;
}

std::int64_t CardImage::DataRegionOffset() const {
  return layout_ == Layout::kG1 ? 80384 : 141312;
}

std::int64_t CardImage::BytesPerCluster() const { return Byte(13) * std::int64_t{512}; }

std::int64_t CardImage::ClusterOffset(std::int64_t cluster) const {
  return DataRegionOffset() + (cluster - 2) * BytesPerCluster();
}

void CardImage::SetSignature(std::string_view oem_name) {
  std::string name(oem_name.substr(0, 8));
  name.resize(8, ' ');
  for (int i = 0; i < 8; ++i) SetByte(3 + i, static_cast<std::uint8_t>(name[i]));
}

void CardImage::SetSectorsPerCluster(int sectors) { SetByte(13, static_cast<std::uint8_t>(sectors)); }

void CardImage::SetFatCount(int count) { SetByte(16, static_cast<std::uint8_t>(count)); }

void CardImage::SetRootEntryCount(int count) {
  SetByte(17, static_cast<std::uint8_t>(count & 0xFF));
  SetByte(18, static_cast<std::uint8_t>((count >> 8) & 0xFF));
}

void CardImage::SetSectorsPerFat(int sectors) {
  SetByte(22, static_cast<std::uint8_t>(sectors & 0xFF));
  SetByte(23, static_cast<std::uint8_t>((sectors >> 8) & 0xFF));
}

void CardImage::SetMarker(bool present, std::uint8_t first_byte) {
  std::int64_t at = EntryRegionOffset() + 32;
  if (!present) {
    for (int i = 0; i < 11; ++i) SetByte(at + i, 0);
    return;
  }
  SetName(at, "HARDWAREBIN");
  SetByte(at, first_byte);
  SetByte(at + 11, 0x20);  // an ordinary file, as the instrument writes it
}

void CardImage::SetName(std::int64_t at, std::string_view name) {
  std::string raw;
  if (name.size() == 11 && name.find('.') == std::string_view::npos) {
    raw = name;
  } else {
    std::size_t dot = name.find('.');
    std::string base(name.substr(0, dot));
    std::string ext(dot == std::string_view::npos ? "" : name.substr(dot + 1));
    base.resize(8, ' ');
    ext.resize(3, ' ');
    raw = base + ext;
  }
  for (int i = 0; i < 11; ++i) SetByte(at + i, static_cast<std::uint8_t>(raw[i]));
}

void CardImage::SetEntry(int slot, std::string_view name, std::int64_t cluster,
                         std::uint32_t size, bool deleted) {
  std::int64_t at = EntryRegionOffset() + 32 * slot;
  SetName(at, name);
  if (deleted) SetByte(at, 0xE5);
  SetByte(at + 11, 0x20);
  SetByte(at + 26, static_cast<std::uint8_t>(cluster & 0xFF));
  SetByte(at + 27, static_cast<std::uint8_t>((cluster >> 8) & 0xFF));
  for (int i = 0; i < 4; ++i) SetByte(at + 28 + i, static_cast<std::uint8_t>(size >> (8 * i)));
}

int CardImage::AddEntry(std::string_view name, std::int64_t cluster, std::uint32_t size,
                        bool deleted) {
  int slot = next_slot_;
  SetEntry(slot, name, cluster, size, deleted);
  next_slot_ += layout_ == Layout::kG1 ? 2 : 1;
  return slot;
}

void CardImage::FillBody(std::int64_t from, std::int64_t to, std::uint8_t seed) {
  to = std::min<std::int64_t>(to, static_cast<std::int64_t>(bytes_.size()));
  for (std::int64_t at = std::max<std::int64_t>(from, 0); at < to; ++at) {
    bytes_[static_cast<std::size_t>(at)] =
        std::byte(0x80 | ((at * 7 + (at >> 9) * 13 + seed) & 0x7F));
  }
}

void CardImage::PlaceHeader(std::int64_t offset, std::uint32_t body_length, std::uint8_t seed) {
  FillBody(offset, offset + kHeaderSize, seed);
  SetByte(offset + 6, 0x00);
  SetByte(offset + 7, 0x06);
  for (int i = 0; i < 4; ++i) {
    SetByte(offset + 8 + i, static_cast<std::uint8_t>(body_length >> (8 * i)));
  }
  SetByte(offset + 1534, 0x01);
  SetByte(offset + 1535, 0x80);
}

std::int64_t CardImage::PlaceFile(std::int64_t offset, std::uint32_t body_length,
                                  std::uint8_t seed) {
  PlaceHeader(offset, body_length, seed);
  std::int64_t length = kHeaderSize + body_length;
  FillBody(offset + kHeaderSize, offset + length, seed);
  return length;
}

void CardImage::SetByte(std::int64_t offset, std::uint8_t value) {
  if (offset >= 0 && offset < static_cast<std::int64_t>(bytes_.size())) {
    bytes_[static_cast<std::size_t>(offset)] = std::byte(value);
  }
}

std::uint8_t CardImage::Byte(std::int64_t offset) const {
  if (offset < 0 || offset >= static_cast<std::int64_t>(bytes_.size())) return 0;
  return std::to_integer<std::uint8_t>(bytes_[static_cast<std::size_t>(offset)]);
}

std::vector<std::byte> CardImage::Slice(std::int64_t offset, std::int64_t length) const {
  auto size = static_cast<std::int64_t>(bytes_.size());
  std::int64_t from = std::clamp<std::int64_t>(offset, 0, size);
  std::int64_t to = std::clamp<std::int64_t>(offset + std::max<std::int64_t>(length, 0), from, size);
  return {bytes_.begin() + from, bytes_.begin() + to};
}

bool CardImage::WriteTo(const std::string& path) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes_.data()),
            static_cast<std::streamsize>(bytes_.size()));
  return static_cast<bool>(out);
}

}  // namespace kvx
