#include "platform/sha256_alongside.h"

namespace kvx {

Sha256Alongside::Sha256Alongside() : worker_([this] { Work(); }) {}

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
    changed_.wait(lock, [this] { return !busy_; });
    in_hand_ = bytes;
    busy_ = true;
  }
  changed_.notify_all();
}

void Sha256Alongside::Wait() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !busy_; });
}

Sha256Digest Sha256Alongside::Finish() {
  Wait();
  return hash_.Finish();
}

void Sha256Alongside::Work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return busy_ || ending_; });
    if (!busy_) return;
    const std::span<const std::byte> bytes = in_hand_;
    lock.unlock();
    hash_.Update(bytes);
    lock.lock();
    busy_ = false;
    changed_.notify_all();
  }
}

}  // namespace kvx
