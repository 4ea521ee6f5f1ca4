// AES-128 block cipher of our own, for sealed files: key expansion and the enciphering and
// deciphering of single 16-byte blocks (the sealer runs them in ECB order, chunk by chunk).
// The S-box and its inverse are computed from the field arithmetic on first use.
#pragma once
#include <cstddef>
#include <cstdint>

namespace wf::store {

constexpr int kAesBlock = 16;
constexpr int kAesKeySize = 16;
constexpr int kAesRounds = 10;

struct AesKey {
  uint8_t round_keys[(kAesRounds + 1) * kAesBlock];
};

void aes_expand_key(const uint8_t key[kAesKeySize], AesKey* out);
void aes_encrypt_block(const AesKey& key, const uint8_t in[kAesBlock], uint8_t out[kAesBlock]);
void aes_decrypt_block(const AesKey& key, const uint8_t in[kAesBlock], uint8_t out[kAesBlock]);

// ECB over whole blocks; n must be a multiple of 16 (in and out may be the same buffer).
void aes_ecb_encrypt(const AesKey& key, const uint8_t* in, uint8_t* out, size_t n);
void aes_ecb_decrypt(const AesKey& key, const uint8_t* in, uint8_t* out, size_t n);

}  // namespace wf::store
