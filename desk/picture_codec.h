// The picture codec of the desk: picture files of any format the platform decoder reads
// (BMP, JPEG, PNG, GIF), writing by extension, the in-place JPEG conversion, the zoomed
// picture copies of photo and map cases, and putting a picture file on the clipboard.
//
// Paths are stored paths (backslashes, relative to the program folder) or absolute native
// paths; they become native through platform::native_path right before the file is opened.
// Files are always written to a temporary name next to the target and then renamed over
// it, so a failed write never leaves a damaged picture behind.
//
// The codec works on decoded pixels only, not on drawing-layer images, so it needs no
// window and any thread may use it; the picture count is kept under one lock.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace wf::desk {

inline constexpr int kCodecOk = 0;
inline constexpr int kCodecReused = 1;        // make_zoomed_copy: the copy was already there
inline constexpr int kCodecNoFile = -1;       // missing or unreadable file
inline constexpr int kCodecBadFormat = -2;    // not a picture of a known format
inline constexpr int kCodecCorrupt = -3;      // known format, damaged or truncated
inline constexpr int kCodecTooBig = -4;       // beyond the decoder's or encoder's limits
inline constexpr int kCodecWriteFail = -5;    // the file could not be written
inline constexpr int kCodecNoEncoder = -6;    // no encoder for the path's extension
inline constexpr int kCodecBadZoom = -7;      // zoom percent not above 0
inline constexpr int kCodecNoClipboard = -8;  // the clipboard did not take the picture

inline constexpr int kJpegQuality = 75;  // the encoder's default setting

// A decoded picture: 0xRRGGBB pixels (top byte 0), top row first.
struct CodecPicture;

// Loads a picture file; nullptr on failure with the reason in *result (when given).
CodecPicture* load_picture_file(const char* path, int* result = nullptr);
// Decodes a picture held in memory (any of the four formats, by its leading bytes).
CodecPicture* decode_picture_bytes(const uint8_t* data, size_t size, int* result = nullptr);
// A picture of the given pixels (copied); nullptr when a side is not above 0 or too large.
CodecPicture* make_picture(const uint32_t* pixels, int width, int height);
void destroy_picture(CodecPicture* picture);  // nullptr is ignored
int picture_width(const CodecPicture* picture);
int picture_height(const CodecPicture* picture);
const uint32_t* picture_pixels(const CodecPicture* picture);

// Writes the picture in the format its extension names (case ignored): ".jpg"/".jpeg" JPEG
// at kJpegQuality, ".png" PNG, ".bmp" BMP; any other extension gives kCodecNoEncoder.
int save_picture_file(const CodecPicture* picture, const char* path);

// Rewrites a picture file (typically a BMP written under a ".jpg" name) as JPEG under the
// same name. On any failure the file is left as it was and stays loadable, since loading
// goes by the content, not the extension.
int convert_to_jpeg_in_place(const char* path);

// "%s%s_%d.jpg": data folder, the item's stored path, the zoom percent.
std::string zoomed_copy_name(const char* data_folder, const char* item_path, int zoom);

// Makes the zoomed copy of a picture item once: when the copy is already there (and is a
// picture) it returns kCodecReused without touching it; otherwise the full-size picture
// (data folder + item path) is scaled to floor(width * zoom / 100) x floor(height * zoom /
// 100) (at least 1 x 1), written as BMP under the copy's name and converted in place to
// JPEG; returns kCodecOk. A full-size picture that does not load gives its error and
// writes nothing (the case then shows its 1 x 1 stand-in).
int make_zoomed_copy(const char* data_folder, const char* item_path, int zoom);

// Nearest-neighbour scaling of a picture to width x height (both above 0); nullptr when
// the size is not possible.
CodecPicture* scale_picture(const CodecPicture* picture, int width, int height);

// Puts a picture on the system clipboard as a bitmap: zoom >= 0 takes the zoomed copy
// "%s%s_%d.jpg" (photos and maps), zoom < 0 the picture itself "%s%s" (a picture line of a
// post). Returns 0 or a negative code.
int copy_picture_to_clipboard(const char* data_folder, const char* item_path, int zoom);

// The function that puts a picture file (native path) on the clipboard: 0 or negative. The
// shell installs its own; by default the codec decodes the file and hands the bitmap to the
// platform clipboard itself. nullptr restores the default.
using PutPicture = int (*)(const char* native_path);
void set_put_picture(PutPicture put);

// Lifetime: the codec counts as started while any picture object lives.
int live_pictures();
bool codec_started();

}  // namespace wf::desk
