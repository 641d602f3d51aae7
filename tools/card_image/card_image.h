// Synthetic card images for the tests, the demo and the benchmark: a boot
// sector, the marker entry, directory entries and KVX files placed at chosen
// offsets, and single bytes to corrupt. Held in memory.
//
// Bodies are filled with bytes of 0x80 and above, so no block that starts
// inside a file's header or body can pass the header test by accident.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kvx {

class CardImage {
 public:
  enum class Layout { kG1, kG2 };

  // A zero-filled image of `length` bytes with a recognised boot sector
  // ("ZENTOXC1" for 1G, "ZENTOXC2" for 2G, one table, 512 root entries,
  // 64 sectors per cluster) and the marker entry in slot 1.
  CardImage(Layout layout, std::int64_t length);

  std::int64_t EntryRegionOffset() const;
  std::int64_t DataRegionOffset() const;
  std::int64_t BytesPerCluster() const;
  // Card offset of cluster n (n >= 2).
  std::int64_t ClusterOffset(std::int64_t cluster) const;

  void SetSignature(std::string_view oem_name);  // 8 bytes, padded with blanks
  void SetSectorsPerCluster(int sectors);
  void SetFatCount(int count);
  void SetRootEntryCount(int count);
  void SetSectorsPerFat(int sectors);
  // Slot 1's first name byte (the deleted mark 0xE5, say); 0 removes the marker.
  void SetMarker(bool present, std::uint8_t first_byte = 'H');

  // Writes a directory entry into slot `slot` of the entry block. `name` is
  // "NAME.EXT" (8.3, blank-padded) or exactly 11 raw name bytes.
  void SetEntry(int slot, std::string_view name, std::int64_t cluster, std::uint32_t size,
                bool deleted = false);
  // Writes an entry into the next slot Quick Search lists (2, 3, ... on 2G;
  // 2, 4, ... on 1G). Returns the slot used.
  int AddEntry(std::string_view name, std::int64_t cluster, std::uint32_t size,
               bool deleted = false);

  // A KVX file at `offset`: a header whose length field is `body_length`, then
  // that many body bytes (as far as the image reaches). Returns 1536 + body.
  std::int64_t PlaceFile(std::int64_t offset, std::uint32_t body_length, std::uint8_t seed = 0);
  // Only the 1536-byte header of such a file.
  void PlaceHeader(std::int64_t offset, std::uint32_t body_length, std::uint8_t seed = 0);

  void SetByte(std::int64_t offset, std::uint8_t value);
  std::uint8_t Byte(std::int64_t offset) const;

  const std::vector<std::byte>& bytes() const { return bytes_; }
  // The bytes of a file placed with PlaceFile, as far as the image holds them.
  std::vector<std::byte> Slice(std::int64_t offset, std::int64_t length) const;

  // Writes the image to `path`; false on failure.
  bool WriteTo(const std::string& path) const;

 private:
  void SetName(std::int64_t at, std::string_view name);
  void FillBody(std::int64_t from, std::int64_t to, std::uint8_t seed);

  Layout layout_;
  std::vector<std::byte> bytes_;
  int next_slot_ = 2;
};

}  // namespace kvx
