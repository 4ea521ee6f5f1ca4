// The clipboard functions of the program: put text, put a picture, read whatever the
// clipboard offers (text, a picture that becomes a JPEG of the local store, or a list of
// files), the bitmap-to-BMP writer and the picture-name test. They run on the main thread.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/clipboard.h"
#include "store/stamp.h"

namespace wf::shell {

inline constexpr int kClipFormatText = 1;    // the only format put_text accepts

// Kinds of read_clipboard().
inline constexpr int kClipNothing = -1;
inline constexpr int kClipText = 1;
inline constexpr int kClipPicture = 2;
inline constexpr int kClipFiles = 15;

inline constexpr int kClipMaxFiles = 30;     // names listed at most
inline constexpr size_t kClipFileBuffer = 7800;  // bytes of the listed names at most
inline constexpr char kScreenPicture[] = "screen.s12";  // the pasted bitmap in the temp folder
inline constexpr int kPasteJpegQuality = 90;

// put_text results.
inline constexpr int kPutOk = 0;
inline constexpr int kPutWrongFormat = -1;
inline constexpr int kPutNoClipboard = -2;

// What read_clipboard() found.
struct ClipboardRead {
  int kind = kClipNothing;
  int value = 0;       // text length, picture serial, or the number of file names
  std::string data;    // the text (GBK), the picture's stored path, or names each + "\n"
};

// Places a copy of length bytes of text (cut at a zero byte) as the clipboard's only
// content. kPutOk, kPutWrongFormat or kPutNoClipboard.
int put_text(int format, size_t length, const char* text);

// Saves the picture file (any format the picture loader reads) as "<temp>%08x.bmp" (a
// general-generator value) and places it on the emptied clipboard as a bitmap. True when the
// clipboard received it. The BMP file stays in the temp folder.
bool put_picture(const char* filename);

// Writes a 24- or 32-bit bitmap as a 32-bit bottom-up BMP file (54-byte headers). 0, or 1
// when the bitmap is not one of those depths or is inconsistent ("Invalid Object in
// Clipboard Buffer" on standard output) or the file cannot be created ("File Cannot Be
// Written"); nothing is written in the first case.
int bitmap_to_bmp(const platform::ClipBitmap& bitmap, const char* native_filename);

// 1 when the name ends, ignoring case, in .bmp, .jpg, .png, .gif or .jpeg; else 0.
int is_picture_name(const char* filename);

// Reads the clipboard: text (not empty), else a bitmap (written as "screen.s12" in the temp
// folder and saved as a kind-109 JPEG in the local store), else a file list offered for copy
// or move; otherwise nothing. A clipboard that cannot be opened reads as nothing.
ClipboardRead read_clipboard();

// The stamp of the picture made by the last picture read.
store::Stamp last_pasted_picture();

// BMP header layout.
inline constexpr size_t kBmpFileHeader = 14;
inline constexpr size_t kBmpInfoHeader = 40;
inline constexpr size_t kBmpPixelOffset = 54;
inline constexpr size_t kBmpOffMagic = 0;
inline constexpr size_t kBmpOffReserved1 = 2;
inline constexpr size_t kBmpOffReserved2 = 6;
inline constexpr size_t kBmpOffPixels = 10;
inline constexpr size_t kBmpOffInfoSize = 14;
inline constexpr size_t kBmpOffWidth = 18;
inline constexpr size_t kBmpOffHeight = 22;
inline constexpr size_t kBmpOffPlanes = 26;
inline constexpr size_t kBmpOffBitCount = 28;
inline constexpr size_t kBmpOffRest = 30;  // 24 zero bytes: compression ... colours used

}  // namespace wf::shell
