// AES-128: S-boxes built from GF(2^8) inverses on first use, key expansion, and the round
// functions for single blocks.
#include "store/aes.h"

#include <cstring>
#include <mutex>

namespace wf::store {
namespace {

uint8_t g_sbox[256];
uint8_t g_inv_sbox[256];
std::once_flag g_tables_once;

uint8_t xtime(uint8_t a) { return static_cast<uint8_t>((a << 1) ^ ((a & 0x80) ? 0x1B : 0)); }

uint8_t gmul(uint8_t a, uint8_t b) {
  uint8_t r = 0;
  while (b) {
    if (b & 1) r ^= a;
    a = xtime(a);
    b >>= 1;
  }
  return r;
}

uint8_t rotl8(uint8_t v, int s) { return static_cast<uint8_t>((v << s) | (v >> (8 - s))); }

void build_tables() {
  // Walk the multiplicative group with generator 3 to get each element's inverse.
  uint8_t inverse[256] = {0};
  uint8_t exp_table[255];
  uint8_t x = 1;
  for (int i = 0; i < 255; ++i) {
    exp_table[i] = x;
    x = static_cast<uint8_t>(x ^ xtime(x));  // x * 3
  }
  for (int i = 0; i < 255; ++i) inverse[exp_table[i]] = exp_table[(255 - i) % 255];
  for (int v = 0; v < 256; ++v) {
    uint8_t b = inverse[v];
    uint8_t s = static_cast<uint8_t>(b ^ rotl8(b, 1) ^ rotl8(b, 2) ^ rotl8(b, 3) ^ rotl8(b, 4) ^ 0x63);
    g_sbox[v] = s;
    g_inv_sbox[s] = static_cast<uint8_t>(v);
  }
}

void ensure_tables() { std::call_once(g_tables_once, build_tables); }

void add_round_key(uint8_t s[16], const uint8_t* rk) {
  for (int i = 0; i < 16; ++i) s[i] ^= rk[i];
}

void sub_shift(uint8_t s[16]) {
  // SubBytes and ShiftRows together; the state is column-major (s[row + 4 * col]).
  uint8_t t[16];
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) t[r + 4 * c] = g_sbox[s[r + 4 * ((c + r) & 3)]];
  std::memcpy(s, t, 16);
}

void inv_sub_shift(uint8_t s[16]) {
  uint8_t t[16];
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) t[r + 4 * ((c + r) & 3)] = g_inv_sbox[s[r + 4 * c]];
  std::memcpy(s, t, 16);
}

void mix_columns(uint8_t s[16]) {
  for (int c = 0; c < 4; ++c) {
    uint8_t* col = s + 4 * c;
    uint8_t a0 = col[0], a1 = col[1], a2 = col[2], a3 = col[3];
    uint8_t all = static_cast<uint8_t>(a0 ^ a1 ^ a2 ^ a3);
    col[0] = static_cast<uint8_t>(a0 ^ all ^ xtime(static_cast<uint8_t>(a0 ^ a1)));
    col[1] = static_cast<uint8_t>(a1 ^ all ^ xtime(static_cast<uint8_t>(a1 ^ a2)));
    col[2] = static_cast<uint8_t>(a2 ^ all ^ xtime(static_cast<uint8_t>(a2 ^ a3)));
    col[3] = static_cast<uint8_t>(a3 ^ all ^ xtime(static_cast<uint8_t>(a3 ^ a0)));
  }
}

void inv_mix_columns(uint8_t s[16]) {
  for (int c = 0; c < 4; ++c) {
    uint8_t* col = s + 4 * c;
    uint8_t a0 = col[0], a1 = col[1], a2 = col[2], a3 = col[3];
    col[0] = static_cast<uint8_t>(gmul(a0, 14) ^ gmul(a1, 11) ^ gmul(a2, 13) ^ gmul(a3, 9));
    col[1] = static_cast<uint8_t>(gmul(a0, 9) ^ gmul(a1, 14) ^ gmul(a2, 11) ^ gmul(a3, 13));
    col[2] = static_cast<uint8_t>(gmul(a0, 13) ^ gmul(a1, 9) ^ gmul(a2, 14) ^ gmul(a3, 11));
    col[3] = static_cast<uint8_t>(gmul(a0, 11) ^ gmul(a1, 13) ^ gmul(a2, 9) ^ gmul(a3, 14));
  }
}

}  // namespace

void aes_expand_key(const uint8_t key[kAesKeySize], AesKey* out) {
  ensure_tables();
  uint8_t* w = out->round_keys;
  std::memcpy(w, key, kAesKeySize);
  uint8_t rcon = 1;
  for (int i = 4; i < 4 * (kAesRounds + 1); ++i) {
    uint8_t t[4];
    std::memcpy(t, w + 4 * (i - 1), 4);
    if (i % 4 == 0) {
      uint8_t first = t[0];
      t[0] = static_cast<uint8_t>(g_sbox[t[1]] ^ rcon);
      t[1] = g_sbox[t[2]];
      t[2] = g_sbox[t[3]];
      t[3] = g_sbox[first];
      rcon = xtime(rcon);
    }
    for (int j = 0; j < 4; ++j) w[4 * i + j] = static_cast<uint8_t>(w[4 * (i - 4) + j] ^ t[j]);
  }
}

void aes_encrypt_block(const AesKey& key, const uint8_t in[kAesBlock], uint8_t out[kAesBlock]) {
  uint8_t s[16];
  std::memcpy(s, in, 16);
  add_round_key(s, key.round_keys);
  for (int round = 1; round < kAesRounds; ++round) {
    sub_shift(s);
    mix_columns(s);
    add_round_key(s, key.round_keys + 16 * round);
  }
  sub_shift(s);
  add_round_key(s, key.round_keys + 16 * kAesRounds);
  std::memcpy(out, s, 16);
}

void aes_decrypt_block(const AesKey& key, const uint8_t in[kAesBlock], uint8_t out[kAesBlock]) {
  uint8_t s[16];
  std::memcpy(s, in, 16);
  add_round_key(s, key.round_keys + 16 * kAesRounds);
  for (int round = kAesRounds - 1; round >= 1; --round) {
    inv_sub_shift(s);
    add_round_key(s, key.round_keys + 16 * round);
    inv_mix_columns(s);
  }
  inv_sub_shift(s);
  add_round_key(s, key.round_keys);
  std::memcpy(out, s, 16);
}

void aes_ecb_encrypt(const AesKey& key, const uint8_t* in, uint8_t* out, size_t n) {
  for (size_t i = 0; i + kAesBlock <= n; i += kAesBlock) aes_encrypt_block(key, in + i, out + i);
}

void aes_ecb_decrypt(const AesKey& key, const uint8_t* in, uint8_t* out, size_t n) {
  for (size_t i = 0; i + kAesBlock <= n; i += kAesBlock) aes_decrypt_block(key, in + i, out + i);
}

}  // namespace wf::store
