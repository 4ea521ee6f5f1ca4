// Sealing and unsealing: key building, the seed rule, chunking with PKCS#7 padding, the
// masked trailer, and the whole-file forms. One lock serialises every call.
#include "store/sealed.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/paths.h"
#include "store/aes.h"
#include "store/rng.h"
#include "platform/files.h"

namespace wf::store {
namespace {

std::mutex g_seal_lock;      // guards g_key, the cipher generator and g_last_seed
uint8_t g_key[kAesKeySize];  // the key buffer, rebuilt before every seal and unseal
int32_t g_last_seed = 0;

constexpr int kSealTextSize = 8;

// The seal text is never kept as one readable string: it is rebuilt from masked bytes each
// time a key is needed.
void build_seal_text(uint8_t* key) {
  static const uint8_t masked[kSealTextSize] = {0x0D, 0x28, 0x6F, 0x34, 0x1C, 0x3B, 0x7B, 0x29};
  for (int i = 0; i < kSealTextSize; ++i) key[i] = static_cast<uint8_t>(masked[i] ^ 0x5A);
}

void build_key(int32_t seed) {
  build_seal_text(g_key);
  MinStdRng& rng = cipher_rng();
  rng.seed(seed);
  for (int i = kSealTextSize; i < kAesKeySize; ++i) g_key[i] = static_cast<uint8_t>(rng.next() & 0xFF);
}

void put_u32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

uint32_t get_u32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Millisecond ticks as the starting state, 9999 steps, the last output. A seed equal to the
// previous seal's (two seals within one millisecond) is stepped on, so each seal differs.
int32_t choose_seed() {
  uint32_t tick = 0;
  while ((tick = platform::tick_ms()) == 0) {
  }
  MinStdRng& rng = cipher_rng();
  rng.seed(static_cast<int32_t>(tick));
  int32_t seed = 0;
  for (int i = 0; i < kSealSeedSteps; ++i) seed = rng.next();
  while (seed == g_last_seed) seed = rng.next();
  g_last_seed = seed;
  return seed;
}

// Enciphers `count` plain bytes with PKCS#7 padding to out; returns the enciphered size.
size_t seal_chunk(const AesKey& key, const uint8_t* plain, size_t count, uint8_t* out) {
  size_t padded = (count / kAesBlock + 1) * kAesBlock;
  uint8_t pad = static_cast<uint8_t>(padded - count);
  std::memcpy(out, plain, count);
  std::memset(out + count, pad, pad);
  aes_ecb_encrypt(key, out, out, padded);
  return padded;
}

long seal_locked(int32_t seed, const uint8_t* plain, size_t n, uint8_t* out, size_t room) {
  if (n > 0xFFFFFFFFull * kSealChunkPlain) return kSealTooLarge;
  size_t total = sealed_size(n);
  if (room < total) return kSealNoRoom;
  build_key(seed);
  AesKey key;
  aes_expand_key(g_key, &key);
  size_t chunks = n / kSealChunkPlain;
  size_t rest = n % kSealChunkPlain;
  size_t at = 0;
  for (size_t i = 0; i < chunks; ++i)
    at += seal_chunk(key, plain + i * kSealChunkPlain, kSealChunkPlain, out + at);
  size_t last = chunks > 0 ? kSealChunkSealed : 0;
  if (rest > 0) last = seal_chunk(key, plain + chunks * kSealChunkPlain, rest, out + at);
  at += rest > 0 ? last : 0;

  MinStdRng& rng = cipher_rng();
  rng.seed(seed);
  uint8_t* t = out + at;
  put_u32(t + kTrailerChunks, static_cast<uint32_t>(chunks) ^ static_cast<uint32_t>(rng.next()));
  put_u32(t + kTrailerChunkPlain, kSealChunkPlain ^ static_cast<uint32_t>(rng.next()));
  put_u32(t + kTrailerChunkSealed,
          (chunks > 0 ? kSealChunkSealed : 0) ^ static_cast<uint32_t>(rng.next()));
  put_u32(t + kTrailerRest, static_cast<uint32_t>(rest) ^ static_cast<uint32_t>(rng.next()));
  put_u32(t + kTrailerLastSealed, static_cast<uint32_t>(last) ^ static_cast<uint32_t>(rng.next()));
  put_u32(t + kTrailerSeed, static_cast<uint32_t>(seed));
  return static_cast<long>(total);
}

// The number of plain bytes left in a deciphered chunk after its padding, or -1.
long unpadded_size(const uint8_t* chunk, size_t size) {
  uint8_t p = chunk[size - 1];
  if (p < 1 || p > kAesBlock || p > size) return -1;
  for (size_t i = size - p; i < size; ++i)
    if (chunk[i] != p) return -1;
  return static_cast<long>(size - p);
}

long unseal_locked(const uint8_t* sealed, size_t m, uint8_t* out, size_t room) {
  if (m < static_cast<size_t>(kSealTrailerSize)) return kSealTooShort;
  const uint8_t* t = sealed + m - kSealTrailerSize;
  int32_t seed = static_cast<int32_t>(get_u32(t + kTrailerSeed));
  MinStdRng& rng = cipher_rng();
  rng.seed(seed);
  uint64_t chunks = get_u32(t + kTrailerChunks) ^ static_cast<uint32_t>(rng.next());
  uint64_t chunk_plain = get_u32(t + kTrailerChunkPlain) ^ static_cast<uint32_t>(rng.next());
  uint64_t chunk_sealed = get_u32(t + kTrailerChunkSealed) ^ static_cast<uint32_t>(rng.next());
  uint64_t rest = get_u32(t + kTrailerRest) ^ static_cast<uint32_t>(rng.next());
  uint64_t last_sealed = get_u32(t + kTrailerLastSealed) ^ static_cast<uint32_t>(rng.next());

  // The sizes must describe whole cipher blocks with room for padding, and add up to m.
  if (chunks > 0 && (chunk_sealed < kAesBlock || chunk_sealed % kAesBlock != 0 || chunk_plain >= chunk_sealed))
    return kSealBadSizes;
  if (rest > 0 && (last_sealed < kAesBlock || last_sealed % kAesBlock != 0 || rest >= last_sealed))
    return kSealBadSizes;
  uint64_t body = chunks * (chunks > 0 ? chunk_sealed : 0) + (rest > 0 ? last_sealed : 0);
  if (body != m - kSealTrailerSize) return kSealBadSizes;
  uint64_t plain_size = chunks * chunk_plain + rest;
  if (plain_size > room) return kSealNoRoom;

  build_key(seed);
  AesKey key;
  aes_expand_key(g_key, &key);
  std::vector<uint8_t> scratch(sealed, sealed + body);
  aes_ecb_decrypt(key, scratch.data(), scratch.data(), scratch.size());
  for (uint64_t i = 0; i < chunks; ++i) {
    long left = unpadded_size(scratch.data() + i * chunk_sealed, chunk_sealed);
    if (left < 0 || static_cast<uint64_t>(left) < chunk_plain) return kSealBadPadding;
  }
  if (rest > 0) {
    long left = unpadded_size(scratch.data() + chunks * chunk_sealed, last_sealed);
    if (left < 0 || static_cast<uint64_t>(left) < rest) return kSealBadPadding;
  }
  for (uint64_t i = 0; i < chunks; ++i)
    std::memcpy(out + i * chunk_plain, scratch.data() + i * chunk_sealed, chunk_plain);
  if (rest > 0) std::memcpy(out + chunks * chunk_plain, scratch.data() + chunks * chunk_sealed, rest);
  return static_cast<long>(plain_size);
}

// Whole-file helpers: read all bytes; write all bytes through a side file and a rename.
int read_whole(const std::string& path, std::vector<uint8_t>* data, bool* missing) {
  *missing = false;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    *missing = true;
    return 0;
  }
  data->clear();
  uint8_t buf[4096];
  size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) data->insert(data->end(), buf, buf + got);
  bool bad = std::ferror(f) != 0;
  std::fclose(f);
  return bad ? kSealFileError : 0;
}

int write_whole(const std::string& path, const uint8_t* data, size_t n) {
  return platform::write_file_atomic(path, data, n) == 0 ? 0 : kSealFileError;
}

}  // namespace

size_t sealed_size(size_t n) {
  size_t rest = n % kSealChunkPlain;
  return (n / kSealChunkPlain) * kSealChunkSealed + (rest > 0 ? (rest / kAesBlock + 1) * kAesBlock : 0) +
         kSealTrailerSize;
}

long seal(const uint8_t* plain, size_t n, uint8_t* out, size_t room) {
  std::lock_guard<std::mutex> hold(g_seal_lock);
  return seal_locked(choose_seed(), plain, n, out, room);
}

long seal_with_seed(int32_t seed, const uint8_t* plain, size_t n, uint8_t* out, size_t room) {
  std::lock_guard<std::mutex> hold(g_seal_lock);
  return seal_locked(seed, plain, n, out, room);
}

long unseal(const uint8_t* sealed, size_t m, uint8_t* out, size_t room) {
  std::lock_guard<std::mutex> hold(g_seal_lock);
  return unseal_locked(sealed, m, out, room);
}

void sealed_key(int32_t seed, uint8_t key[16]) {
  std::lock_guard<std::mutex> hold(g_seal_lock);
  build_key(seed);
  std::memcpy(key, g_key, kAesKeySize);
}

int32_t sealed_seed(const uint8_t* sealed, size_t m) {
  if (m < static_cast<size_t>(kSealTrailerSize)) return 0;
  return static_cast<int32_t>(get_u32(sealed + m - kSealTrailerSize + kTrailerSeed));
}

int seal_file(std::string_view stored_path) {
  std::string path = platform::native_path(stored_path);
  std::vector<uint8_t> plain;
  bool missing = false;
  int rc = read_whole(path, &plain, &missing);
  if (rc < 0) return rc;
  if (missing || plain.empty()) return 0;
  std::vector<uint8_t> sealed(sealed_size(plain.size()));
  long n = seal(plain.data(), plain.size(), sealed.data(), sealed.size());
  if (n < 0) return static_cast<int>(n);
  return write_whole(path, sealed.data(), static_cast<size_t>(n));
}

int unseal_file(std::string_view stored_path) {
  std::string path = platform::native_path(stored_path);
  std::vector<uint8_t> sealed;
  bool missing = false;
  int rc = read_whole(path, &sealed, &missing);
  if (rc < 0) return rc;
  if (missing || sealed.empty()) return 0;
  std::vector<uint8_t> plain(sealed.size());
  long n = unseal(sealed.data(), sealed.size(), plain.data(), plain.size());
  if (n < 0) return static_cast<int>(n);
  return write_whole(path, plain.data(), static_cast<size_t>(n));
}

int write_sealed(std::string_view stored_path, const uint8_t* plain, size_t n) {
  std::vector<uint8_t> sealed(sealed_size(n));
  long size = seal(plain, n, sealed.data(), sealed.size());
  if (size < 0) return static_cast<int>(size);
  return write_whole(platform::native_path(stored_path), sealed.data(), static_cast<size_t>(size));
}

long read_sealed(std::string_view stored_path, uint8_t* out, size_t room) {
  std::string path = platform::native_path(stored_path);
  // A file far larger than any sealing of room bytes cannot fit; it is not read at all.
  struct stat st;
  if (::stat(path.c_str(), &st) == 0 && static_cast<uint64_t>(st.st_size) > 2 * sealed_size(room))
    return kSealNoRoom;
  std::vector<uint8_t> sealed;
  bool missing = false;
  int rc = read_whole(path, &sealed, &missing);
  if (rc < 0) return rc;
  if (missing) return kSealMissing;
  if (sealed.empty()) return kSealEmptyFile;
  return unseal(sealed.data(), sealed.size(), out, room);
}

}  // namespace wf::store
