// Sealed files: a byte string enciphered with AES-128 in chunks of 256 plain bytes (272 on
// disk, each with its own PKCS#7 padding), a shorter remainder chunk, and a 24-byte trailer
// of six little-endian words, five of them masked with the cipher generator's first outputs
// from the file's seed, the sixth the seed itself.
//
// Sizes: n plain bytes -> (n / 256) * 272 + (n % 256 ? (n % 256 / 16 + 1) * 16 : 0) + 24.
// The in-memory form serves the main program; the whole-file form rewrites a file in place
// (the update program uses it on "config.cfg"). All seal and unseal calls of the process are
// serialised by one lock: the key buffer and the cipher generator are shared.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace wf::store {

constexpr int kSealChunkPlain = 256;
constexpr int kSealChunkSealed = 272;
constexpr int kSealTrailerSize = 24;
constexpr int kSealSeedSteps = 9999;

// Trailer word offsets, from the start of the trailer.
constexpr int kTrailerChunks = 0;      // N xor r1
constexpr int kTrailerChunkPlain = 4;  // 256 xor r2
constexpr int kTrailerChunkSealed = 8; // 272 (or 0 when N = 0) xor r3
constexpr int kTrailerRest = 12;       // R xor r4
constexpr int kTrailerLastSealed = 16; // size of the last chunk written xor r5
constexpr int kTrailerSeed = 20;       // the seed, unmasked

// Result codes (negative = failure; nothing is written to the output on failure).
constexpr int kSealOk = 0;
constexpr int kSealNoRoom = -1;        // the output buffer is too small for the result
constexpr int kSealTooShort = -2;      // fewer bytes than a trailer
constexpr int kSealBadSizes = -3;      // the trailer's sizes do not add up to the length
constexpr int kSealBadPadding = -4;    // a chunk failed its padding check
constexpr int kSealTooLarge = -5;      // input larger than this format can describe
constexpr int kSealFileError = -6;     // a file could not be read or written
constexpr int kSealMissing = -7;       // read_sealed: no such file
constexpr int kSealEmptyFile = -8;     // read_sealed: the file is empty

// The sealed size of n plain bytes.
size_t sealed_size(size_t n);

// Seals n plain bytes into out (room bytes). Returns the sealed size, or a negative code.
// A fresh seed is drawn from the tick count; two seals never reuse the previous seal's seed.
long seal(const uint8_t* plain, size_t n, uint8_t* out, size_t room);

// The same with a given seed: for fixed test vectors and for checks across programs.
long seal_with_seed(int32_t seed, const uint8_t* plain, size_t n, uint8_t* out, size_t room);

// Unseals m sealed bytes into out (room bytes). Returns the plain size, or a negative code.
// The trailer's sizes must add up to m exactly, every chunk's padding must check, and the
// plain size must fit into room; otherwise nothing is written to out.
long unseal(const uint8_t* sealed, size_t m, uint8_t* out, size_t room);

// The 16-byte key of a file sealed with this seed (tests and checks only).
void sealed_key(int32_t seed, uint8_t key[16]);

// Reads the seed word of a sealed image (m >= 24), for tests and tools; 0 when too short.
int32_t sealed_seed(const uint8_t* sealed, size_t m);

// Whole-file forms, for a stored path (converted with native_path). An empty or missing file
// is left as it is and gives 0. Otherwise the file is rewritten in place (written to a side
// file first and renamed over it, so that a failure never leaves half a file).
// Returns 0, or a negative code; on failure the file stays as it was.
int seal_file(std::string_view stored_path);
int unseal_file(std::string_view stored_path);

// Record files of the main program. write_sealed seals n bytes and writes them to the file
// (through a side file and a rename: the old file stays whole until the new one is complete).
// Returns 0 or a negative code. read_sealed reads and unseals a file into out (room bytes)
// and returns the plain size, kSealMissing, kSealEmptyFile, kSealFileError or an unseal code.
int write_sealed(std::string_view stored_path, const uint8_t* plain, size_t n);
long read_sealed(std::string_view stored_path, uint8_t* out, size_t room);

}  // namespace wf::store
