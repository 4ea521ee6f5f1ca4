// AES-128 against the published example vectors, in both directions.
#include <gtest/gtest.h>

#include <cstring>

#include "store/aes.h"

namespace wf::store {
namespace {

void from_hex(const char* hex, uint8_t* out) {
  for (int i = 0; hex[2 * i]; ++i) {
    unsigned v;
    std::sscanf(hex + 2 * i, "%2x", &v);
    out[i] = static_cast<uint8_t>(v);
  }
}

TEST(Aes, PublishedVectors) {
  struct Case {
    const char* key;
    const char* plain;
    const char* cipher;
  };
  const Case cases[] = {
      {"000102030405060708090a0b0c0d0e0f", "00112233445566778899aabbccddeeff",
       "69c4e0d86a7b0430d8cdb78070b4c55a"},
      {"2b7e151628aed2a6abf7158809cf4f3c", "6bc1bee22e409f96e93d7e117393172a",
       "3ad77bb40d7a3660a89ecaf32466ef97"},
      {"2b7e151628aed2a6abf7158809cf4f3c", "ae2d8a571e03ac9c9eb76fac45af8e51",
       "f5d3d58503b9699de785895a96fdbaaf"},
  };
  for (const Case& c : cases) {
    uint8_t key[16], plain[16], cipher[16], out[16], back[16];
    from_hex(c.key, key);
    from_hex(c.plain, plain);
    from_hex(c.cipher, cipher);
    AesKey k;
    aes_expand_key(key, &k);
    aes_encrypt_block(k, plain, out);
    EXPECT_EQ(0, std::memcmp(out, cipher, 16)) << c.plain;
    aes_decrypt_block(k, cipher, back);
    EXPECT_EQ(0, std::memcmp(back, plain, 16)) << c.plain;
  }
}

}  // namespace
}  // namespace wf::store
