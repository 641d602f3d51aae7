// SHA-256 computed on a thread of its own, so that hashing a stream overlaps
// reading and writing it instead of adding to their time: on a healthy card
// the digest costs about as much processor time as the copy itself.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <span>
#include <thread>

#include "platform/sha256.h"

namespace kvx {

class Sha256Alongside {
 public:
  // The thread holds at most `depth` pieces of the caller's at a time.
  explicit Sha256Alongside(std::size_t depth = 1);
  // Waits for the bytes in hand, then ends the thread.
  ~Sha256Alongside();
  Sha256Alongside(const Sha256Alongside&) = delete;
  Sha256Alongside& operator=(const Sha256Alongside&) = delete;

  // Hands `bytes` to the thread once it holds fewer than `depth` pieces. The
  // caller keeps each piece unchanged until `depth` more Updates, or a Wait
  // or Finish, have returned: with depth + 1 buffers used in turn, it reads
  // into one while the thread hashes the others.
  void Update(std::span<const std::byte> bytes);
  // Returns once the thread holds no bytes of the caller's.
  void Wait();
  // The digest of every byte handed since construction or the last Finish.
  Sha256Digest Finish();

 private:
  void Work();

  const std::size_t depth_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::span<const std::byte>> in_hand_;  // the front one is being hashed
  bool ending_ = false;
  Sha256 hash_;  // used by the thread while it holds bytes, by the caller otherwise
  std::thread worker_;
};

}  // namespace kvx
