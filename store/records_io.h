// Small file helpers of the record store: open, create, read and patch whole records at
// fixed offsets through stored paths. Every call converts the stored path with
// platform::native_path() right before the system call.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace wf::store::io {

int open_update(const std::string& stored);   // read/write, existing file only; fd or -1
int create_file(const std::string& stored);   // create or truncate; fd or -1
bool file_exists(const std::string& stored);
bool folder_exists(const std::string& stored);
long long file_length(const std::string& stored);  // -1 when missing
int remove_file(const std::string& stored);
void close_fd(int* fd);                        // closes and sets -1

// Reads up to len bytes from offset 0; returns the bytes read (short at end of file), or -1.
long long read_at(int fd, void* buf, size_t len, long long offset);
// Writes all len bytes at offset: 0 or -1.
int write_at(int fd, const void* buf, size_t len, long long offset);

// Opens, reads up to len bytes and closes: bytes read, or -1 when the file does not open.
long long read_file(const std::string& stored, void* buf, size_t len);
// Opens for update, writes at offset and closes: 0, or -1 when the file does not exist.
int patch_file(const std::string& stored, const void* buf, size_t len, long long offset);
// Creates (or truncates) the file and writes the bytes: 0 or -1.
int write_new_file(const std::string& stored, const void* buf, size_t len);

}  // namespace wf::store::io
