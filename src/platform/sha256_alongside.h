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

  // Ends a stream without waiting: the thread takes the digest of the bytes
  // handed since the last end (or Finish) once it has hashed them, and starts
  // the next stream, so one file's hashing can go on while the next is read.
  void EndStream();
  // The digest of the earliest stream ended and not yet taken, once it is done.
  // REQUIRES: more streams ended than digests taken.
  Sha256Digest TakeDigest();

 private:
  void Work();

  const std::size_t depth_;
  std::mutex mutex_;
  std::condition_variable changed_;
  // The front one is being hashed; an empty piece ends a stream.
  std::deque<std::span<const std::byte>> in_hand_;
  std::deque<Sha256Digest> digests_;  // of streams ended, not yet taken
  bool ending_ = false;
  Sha256 hash_;  // used by the thread while it holds bytes, by the caller otherwise
  std::thread worker_;
};

}  // namespace kvx
