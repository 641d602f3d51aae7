// SHA-256 of a stream of bytes, as sha256sum computes it: the digest that
// vouches for an image or a recovered file. Each system's own well-kept
// implementation does the hashing (nettle on POSIX, CNG on Windows).
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <span>
#include <string>

namespace kvx {

using Sha256Digest = std::array<std::byte, 32>;

class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void Update(std::span<const std::byte> bytes);
  // The digest of every byte given since construction or the last Finish;
  // the hash then starts afresh.
  Sha256Digest Finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The digest in lower-case hex, as sha256sum prints it.
std::string HexOf(const Sha256Digest& digest);

}  // namespace kvx
