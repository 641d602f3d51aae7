// SHA-256 computed on a thread of its own, so that hashing a stream overlaps
// reading and writing it instead of adding to their time: on a healthy card
// the digest costs about as much processor time as the copy itself.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <span>
#include <thread>

#include "platform/sha256.h"

namespace kvx {

class Sha256Alongside {
 public:
  Sha256Alongside();
  // Waits for the bytes in hand, then ends the thread.
  ~Sha256Alongside();
  Sha256Alongside(const Sha256Alongside&) = delete;
  Sha256Alongside& operator=(const Sha256Alongside&) = delete;

  // Hands `bytes` to the thread, after it has done with the bytes handed
  // before. The caller keeps `bytes` unchanged until the next Update, Wait
  // or Finish returns, so it writes into another buffer meanwhile.
  void Update(std::span<const std::byte> bytes);
  // Returns once the thread holds no bytes of the caller's.
  void Wait();
  // The digest of every byte handed since construction or the last Finish.
  Sha256Digest Finish();

 private:
  void Work();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::span<const std::byte> in_hand_;
  bool busy_ = false;
  bool ending_ = false;
  Sha256 hash_;  // used by the thread while busy_, by the caller otherwise
  std::thread worker_;
};

}  // namespace kvx
