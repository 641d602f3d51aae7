// One file a Retrieve copied, with what its second read found: the facts its
// manifest, its rescue report and the front ends' output give of it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/sha256.h"
#include "retrieve/second_read.h"

namespace kvx {

struct RetrievedFile {
  std::string name;  // its name field without the padding blanks, as outcomes show it
  std::string path;  // the path it was created under
  std::int64_t card_offset = 0;
  std::int64_t size = 0;        // the size chosen
  std::int64_t other_size = 0;  // the size not chosen
  std::int64_t written = 0;     // fewer than `size` where the card ended or failed first
  SecondReadResult second_read;
  // Of the bytes written, once the second read went through the whole file.
  std::optional<Sha256Digest> digest;
  std::int64_t unread = 0;  // bytes of it a card image's map marks unread
};

// True when the card gave the same bytes twice and the file read back whole.
inline bool ReadAlike(const RetrievedFile& file) {
  return file.second_read.outcome == SecondRead::kMatched;
}

}  // namespace kvx
