// Fuzz target: the input is a card image of any length. Every action runs on
// it through an in-memory volume: Quick Search, Explore and Comb Through, each
// followed by Retrieve of every line into an in-memory scratch directory.
// The last byte of the input may also choose odd Text1 and Text2 texts from
// the bytes before it. Any crash, sanitizer report or escaped path is a find.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "card/card_prologue.h"
#include "controls/memory_controls.h"
#include "retrieve/retrieve.h"
#include "search/comb_through.h"
#include "search/explore.h"
#include "search/quick_search.h"
#include "search/window_state.h"
#include "tests/support/memory_platform.h"

namespace {

constexpr char kScratch[] = "/scratch/";
// A retrieved file stops growing here: a write past it fails, which Retrieve
// reports, so a header stating 4 GiB costs no more than a small file.
constexpr std::int64_t kWriteLimit = 64 * 1024;

struct Texts {
  std::string text1 = "E";
  std::string text2 = kScratch;
};

// Control byte (the input's last): bit 7 takes Text1 from the (c & 7) bytes
// before it; bit 6 appends the ((c >> 3) & 7) bytes before those to Text2.
Texts TextsOf(const std::uint8_t* data, std::size_t size) {
  Texts texts;
  if (size == 0) return texts;
  std::uint8_t c = data[size - 1];
  std::size_t end = size - 1;
  std::size_t n1 = c & 7, n2 = (c >> 3) & 7;
  if ((c & 0x80) && n1 <= end) {
    texts.text1.assign(reinterpret_cast<const char*>(data) + end - n1, n1);
    end -= n1;
  }
  if ((c & 0x40) && n2 <= end) {
    texts.text2.append(reinterpret_cast<const char*>(data) + end - n2, n2);
  }
  return texts;
}

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "card_fuzzer: %s\n", what);
  std::abort();
}

// Every file created must be Text2 followed by one plain name: no separator,
// no control byte, and neither "." nor "..". The rescue's record lies in the
// directory Text2 names or begins with, beside the files.
void CheckCreatedPaths(const kvx::testing::MemoryPlatform& platform, const std::string& text2) {
  const std::string directory = text2.substr(0, text2.find_last_of('/') + 1);
  for (const std::string& path : platform.created) {
    if (path.compare(0, directory.size(), directory) == 0 &&
        path.compare(directory.size(), 11, "kvx-rescue-") == 0 &&
        path.find('/', directory.size()) == std::string::npos) {
      continue;
    }
    if (path.compare(0, text2.size(), text2) != 0) Fail("outside Text2");
    std::string name = path.substr(text2.size());
    if (name.empty() || name == "." || name == "..") Fail("no plain name");
    for (char ch : name) {
      auto c = static_cast<unsigned char>(ch);
      if (c == '/' || c == '\\' || c < 0x20 || c == 0x7F) Fail("name leaves the directory");
    }
  }
  for (const auto& [path, bytes] : platform.files) {
    if (static_cast<std::int64_t>(bytes.size()) > kWriteLimit) Fail("write limit passed");
  }
}

void RetrieveEveryLine(kvx::WindowState& state, kvx::MemoryControls& controls,
                       kvx::testing::MemoryPlatform& platform, kvx::SizeChoice size_mode) {
  for (int line = 0; line < controls.LineCount(); ++line) controls.Select(line);
  state.SizeMode = size_mode;
  platform.files.clear();
  platform.created.clear();
  kvx::Retrieve(state, controls, platform);
  CheckCreatedPaths(platform, controls.text2);
  if (platform.open_volumes() != 0) Fail("volume left open");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto* bytes = reinterpret_cast<const std::byte*>(data);
  Texts texts = TextsOf(data, size);

  kvx::testing::MemoryPlatform platform;
  platform.write_limit = kWriteLimit;
  std::vector<std::byte> image(bytes, bytes + size);
  std::string letter = kvx::DriveLetterFromText(texts.text1);
  platform.Insert(letter.empty() ? "E" : letter, image);

  kvx::WindowState state;
  using Action = void (*)(kvx::WindowState&, kvx::Controls&, kvx::Platform&);
  for (Action action : {Action{kvx::QuickSearch}, Action{kvx::Explore}, Action{kvx::CombThrough}}) {
    kvx::MemoryControls controls;
    controls.text1 = texts.text1;
    controls.text2 = texts.text2;
    action(state, controls, platform);
    if (controls.LineCount() > kvx::FoundFileList::kCapacity) Fail("list overflow");
    RetrieveEveryLine(state, controls, platform,
                      state.SizesDiffer && (size & 1) ? kvx::SizeChoice::kByFat
                                                      : kvx::SizeChoice::kByHeader);
  }
  state.Card.VolumeHandle.reset();
  if (platform.open_volumes() != 0) Fail("volume left open");
  return 0;
}
