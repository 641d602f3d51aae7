#include <windows.h>
// windows.h first: bcrypt.h needs its types.
#include <bcrypt.h>

#include <algorithm>
#include <cstdlib>

#include "platform/sha256.h"

namespace kvx {

namespace {

// CNG fails only for a broken system or a bad argument: neither can be
// reported better than by stopping.
void Check(NTSTATUS status) {
  if (!BCRYPT_SUCCESS(status)) std::abort();
}

}  // namespace

struct Sha256::State {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;

  void Start() {
    Check(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
  }
};

Sha256::Sha256() : state_(std::make_unique<State>()) {
  Check(BCryptOpenAlgorithmProvider(&state_->algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0));
  state_->Start();
}

Sha256::~Sha256() {
  BCryptDestroyHash(state_->hash);
  BCryptCloseAlgorithmProvider(state_->algorithm, 0);
}

void Sha256::Update(std::span<const std::byte> bytes) {
  // CNG takes at most 4 GiB - 1 at a time.
  constexpr std::size_t kMostAtOnce = 1u << 30;
  while (!bytes.empty()) {
    std::span<const std::byte> part = bytes.first(std::min(bytes.size(), kMostAtOnce));
    Check(BCryptHashData(state_->hash,
                         reinterpret_cast<PUCHAR>(const_cast<std::byte*>(part.data())),
                         static_cast<ULONG>(part.size()), 0));
    bytes = bytes.subspan(part.size());
  }
}

Sha256Digest Sha256::Finish() {
  Sha256Digest digest;
  Check(BCryptFinishHash(state_->hash, reinterpret_cast<PUCHAR>(digest.data()),
                         static_cast<ULONG>(digest.size()), 0));
  BCryptDestroyHash(state_->hash);
  state_->Start();
  return digest;
}

}  // namespace kvx
