#include "platform/sha256_alongside.h"

#include <optional>

namespace kvx {

Sha256Alongside::Sha256Alongside(std::size_t depth)
    : depth_(depth < 1 ? 1 : depth), worker_([this] { Work(); }) {}

Sha256Alongside::~Sha256Alongside() {
  {
    std::lock_guard lock(mutex_);
    ending_ = true;
  }
  changed_.notify_all();
  worker_.join();
}

void Sha256Alongside::Update(std::span<const std::byte> bytes) {
  if (bytes.empty()) return;
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return in_hand_.size() < depth_; });
    in_hand_.push_back(bytes);
  }
  changed_.notify_all();
}

void Sha256Alongside::Wait() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return in_hand_.empty(); });
}

Sha256Digest Sha256Alongside::Finish() {
  Wait();
  return hash_.Finish();
}

void Sha256Alongside::EndStream() {
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return in_hand_.size() < depth_; });
    in_hand_.emplace_back();
  }
  changed_.notify_all();
}

Sha256Digest Sha256Alongside::TakeDigest() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !digests_.empty(); });
  const Sha256Digest digest = digests_.front();
  digests_.pop_front();
  return digest;
}

void Sha256Alongside::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return !in_hand_.empty() || ending_; });
    if (in_hand_.empty()) return;
    const std::span<const std::byte> bytes = in_hand_.front();
    lock.unlock();
    std::optional<Sha256Digest> ended;
    if (bytes.empty()) {
      ended = hash_.Finish();
    } else {
      hash_.Update(bytes);
    }
    lock.lock();
    if (ended) digests_.push_back(*ended);
    in_hand_.pop_front();
    changed_.notify_all();
  }
}

}  // namespace kvx
