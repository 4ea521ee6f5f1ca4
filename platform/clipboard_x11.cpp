// The desktop clipboard on X11: one thread of its own with its own display connection and a
// hidden window. It owns the CLIPBOARD selection after the program puts something, serves
// other programs' requests (text, image/png, text/uri-list, copied files), and fetches what
// another owner offers when the program opens the clipboard. Without a display (or when it
// does not answer in time) the program keeps to its in-process clipboard.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <png.h>
#include <poll.h>
#include <unistd.h>

#include <climits>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/clipboard_desktop.h"
#include "platform/clipboard_uri.h"
#include "platform/gbk.h"

namespace wf::platform::detail {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kConvertTimeoutMs = 700;    // one conversion from another owner
constexpr int kRequestTimeoutMs = 3000;   // what a caller waits for the thread at most
constexpr int kPollMs = 50;
constexpr uint64_t kMaxPixels = 1ull << 26;  // larger pictures are not taken

// ---- PNG ----

bool encode_png(const ClipBitmap& b, std::string* out) {
  std::vector<uint8_t> bgr(static_cast<size_t>(b.width) * b.height * 3);
  const int px = b.bits_per_pixel / 8;
  for (int y = 0; y < b.height; ++y) {
    const uint8_t* src = b.bits.data() + static_cast<size_t>(y) * b.stride;
    uint8_t* dst = bgr.data() + static_cast<size_t>(y) * b.width * 3;
    for (int x = 0; x < b.width; ++x) std::memcpy(dst + 3 * x, src + px * x, 3);
  }
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  img.width = static_cast<png_uint_32>(b.width);
  img.height = static_cast<png_uint_32>(b.height);
  img.format = PNG_FORMAT_BGR;
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&img, nullptr, &size, 0, bgr.data(), 0, nullptr)) return false;
  out->resize(size);
  if (!png_image_write_to_memory(&img, out->data(), &size, 0, bgr.data(), 0, nullptr)) {
    png_image_free(&img);
    return false;
  }
  out->resize(size);
  return true;
}

bool decode_png(const std::string& data, ClipBitmap* b) {
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&img, data.data(), data.size())) return false;
  if (img.width == 0 || img.height == 0 ||
      static_cast<uint64_t>(img.width) * img.height > kMaxPixels) {
    png_image_free(&img);
    return false;
  }
  img.format = PNG_FORMAT_BGRA;
  b->width = static_cast<int>(img.width);
  b->height = static_cast<int>(img.height);
  b->stride = b->width * 4;
  b->bits_per_pixel = 32;
  b->bits.assign(PNG_IMAGE_SIZE(img), 0);
  if (!png_image_finish_read(&img, nullptr, b->bits.data(), 0, nullptr)) {
    png_image_free(&img);
    return false;
  }
  return true;
}

// ---- The clipboard thread ----

struct Request {
  bool fetch = false;     // else publish
  ClipContent content;    // publish: what to offer; fetch: what was found
  bool done = false;
  bool ok = false;
};

int ignore_errors(Display*, XErrorEvent*) { return 0; }

class X11Clipboard {
 public:
  static X11Clipboard& get() {
    static X11Clipboard* instance = new X11Clipboard();  // lives as long as the process
    return *instance;
  }

  bool call(std::shared_ptr<Request> req) {
    std::unique_lock<std::mutex> hold(lock_);
    if (!ready_) cv_.wait(hold, [&] { return ready_; });
    if (!display_ok_) return false;
    queue_ = req;
    hold.unlock();
    char byte = 1;
    if (::write(wake_[1], &byte, 1) < 0) {
    }
    hold.lock();
    if (!cv_.wait_for(hold, std::chrono::milliseconds(kRequestTimeoutMs), [&] { return req->done; }))
      return false;
    return req->ok;
  }

 private:
  X11Clipboard() {
    if (::pipe(wake_) != 0) wake_[0] = wake_[1] = -1;
    std::thread([this] { run(); }).detach();
  }

  void set_ready(bool ok) {
    std::lock_guard<std::mutex> hold(lock_);
    display_ok_ = ok;
    ready_ = true;
    cv_.notify_all();
  }

  void run() {
    const char* name = std::getenv("DISPLAY");
    d_ = (name && *name && wake_[0] >= 0) ? XOpenDisplay(nullptr) : nullptr;
    if (!d_) {
      set_ready(false);
      return;
    }
    XSetErrorHandler(ignore_errors);
    win_ = XCreateSimpleWindow(d_, DefaultRootWindow(d_), 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(d_, win_, PropertyChangeMask);
    clipboard_ = atom("CLIPBOARD");
    targets_ = atom("TARGETS");
    utf8_ = atom("UTF8_STRING");
    text_plain_ = atom("text/plain;charset=utf-8");
    png_ = atom("image/png");
    uri_list_ = atom("text/uri-list");
    copied_ = atom("x-special/gnome-copied-files");
    incr_ = atom("INCR");
    prop_ = atom("WF_CLIPBOARD");
    long max = XExtendedMaxRequestSize(d_);
    if (max == 0) max = XMaxRequestSize(d_);
    max_bytes_ = static_cast<size_t>(max) * 4 - 256;
    set_ready(true);
    for (;;) {
      drain_events();
      std::shared_ptr<Request> req;
      {
        std::lock_guard<std::mutex> hold(lock_);
        req.swap(queue_);
      }
      if (req) {
        bool ok = req->fetch ? fetch(&req->content) : publish(req->content);
        std::lock_guard<std::mutex> hold(lock_);
        req->ok = ok;
        req->done = true;
        cv_.notify_all();
      }
      pollfd fds[2] = {{ConnectionNumber(d_), POLLIN, 0}, {wake_[0], POLLIN, 0}};
      if (XPending(d_) == 0 && ::poll(fds, 2, kPollMs) > 0 && (fds[1].revents & POLLIN)) {
        char buf[64];
        if (::read(wake_[0], buf, sizeof buf) < 0) {
        }
      }
    }
  }

  Atom atom(const char* n) { return XInternAtom(d_, n, False); }

  void drain_events() {
    while (XPending(d_) > 0) {
      XEvent ev;
      XNextEvent(d_, &ev);
      handle(ev);
    }
  }

  void handle(const XEvent& ev) {
    if (ev.type == SelectionClear && ev.xselectionclear.selection == clipboard_) owned_ = false;
    if (ev.type == SelectionRequest) serve(ev.xselectionrequest);
  }

  bool publish(const ClipContent& c) {
    offer_ = c;
    offer_text_ = c.has_text ? gbk_to_utf8(c.text) : std::string();
    offer_png_.clear();
    if (c.has_bitmap && !encode_png(c.bitmap, &offer_png_)) offer_png_.clear();
    XSetSelectionOwner(d_, clipboard_, win_, CurrentTime);
    owned_ = XGetSelectionOwner(d_, clipboard_) == win_;
    XFlush(d_);
    return owned_;
  }

  void serve(const XSelectionRequestEvent& r) {
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.requestor = r.requestor;
    reply.selection = r.selection;
    reply.target = r.target;
    reply.time = r.time;
    reply.property = r.property != None ? r.property : r.target;
    bool served = false;
    if (owned_ && r.selection == clipboard_) {
      if (r.target == targets_) {
        std::vector<Atom> list = {targets_};
        if (offer_.has_text) list.insert(list.end(), {utf8_, text_plain_, XA_STRING});
        if (!offer_png_.empty()) list.push_back(png_);
        if (offer_.has_files) list.insert(list.end(), {uri_list_, copied_});
        XChangeProperty(d_, r.requestor, reply.property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(list.data()),
                        static_cast<int>(list.size()));
        served = true;
      } else {
        std::string data;
        Atom type = r.target;
        if (offer_.has_text && (r.target == utf8_ || r.target == text_plain_ || r.target == XA_STRING)) {
          data = offer_text_;
          served = true;
        } else if (!offer_png_.empty() && r.target == png_) {
          data = offer_png_;
          served = true;
        } else if (offer_.has_files && r.target == uri_list_) {
          data = make_uri_list(offer_.files);
          served = true;
        } else if (offer_.has_files && r.target == copied_) {
          data = make_copied_files(offer_.files, offer_.has_drop_effect ? offer_.drop_effect : 1);
          served = true;
        }
        if (served && data.size() > max_bytes_) served = false;  // too large for one piece
        if (served)
          XChangeProperty(d_, r.requestor, reply.property, type, 8, PropModeReplace,
                          reinterpret_cast<const unsigned char*>(data.data()),
                          static_cast<int>(data.size()));
      }
    }
    if (!served) reply.property = None;
    XSendEvent(d_, r.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
    XFlush(d_);
  }

  // Reads our property (deleting it); false when it is absent. *type gets its type.
  bool read_property(std::string* out, Atom* type) {
    out->clear();
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d_, win_, prop_, 0, LONG_MAX / 4, True, AnyPropertyType, type,
                           &format, &n, &after, &data) != Success)
      return false;
    if (*type == None) {
      if (data) XFree(data);
      return false;
    }
    size_t unit = format == 8 ? 1 : format == 16 ? sizeof(short) : sizeof(long);
    if (data && n) out->assign(reinterpret_cast<const char*>(data), n * unit);
    if (data) XFree(data);
    return true;
  }

  // Waits for an event of our window that pred accepts, serving everything else meanwhile.
  template <class Pred>
  bool wait_event(Clock::time_point deadline, XEvent* ev, Pred pred) {
    for (;;) {
      while (XPending(d_) > 0) {
        XNextEvent(d_, ev);
        if (pred(*ev)) return true;
        handle(*ev);
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return false;
      pollfd fd{ConnectionNumber(d_), POLLIN, 0};
      ::poll(&fd, 1, static_cast<int>(left < kPollMs ? left : kPollMs));
    }
  }

  // Asks the owner for one target; false when refused or when it does not answer in time.
  bool convert(Atom target, std::string* out, Atom* type) {
    XDeleteProperty(d_, win_, prop_);
    XConvertSelection(d_, clipboard_, target, prop_, win_, CurrentTime);
    XFlush(d_);
    const auto deadline = Clock::now() + std::chrono::milliseconds(kConvertTimeoutMs);
    XEvent ev;
    if (!wait_event(deadline, &ev, [&](const XEvent& e) {
          return e.type == SelectionNotify && e.xselection.requestor == win_;
        }))
      return false;
    if (ev.xselection.property == None) return false;
    if (!read_property(out, type)) return false;
    if (*type != incr_) return true;
    // Incremental transfer: the owner writes piece after piece; a piece of 0 ends it.
    std::string whole;
    for (;;) {
      const auto piece_deadline = Clock::now() + std::chrono::milliseconds(kConvertTimeoutMs);
      if (!wait_event(piece_deadline, &ev, [&](const XEvent& e) {
            return e.type == PropertyNotify && e.xproperty.window == win_ &&
                   e.xproperty.atom == prop_ && e.xproperty.state == PropertyNewValue;
          }))
        return false;
      std::string piece;
      if (!read_property(&piece, type)) return false;
      if (piece.empty()) break;
      if (whole.size() + piece.size() > kMaxPixels * 4) return false;
      whole += piece;
    }
    *out = std::move(whole);
    return true;
  }

  bool fetch(ClipContent* out) {
    *out = ClipContent{};
    if (owned_) return false;  // the in-process content is the current one
    if (XGetSelectionOwner(d_, clipboard_) == None) return false;
    std::string raw;
    Atom type = None;
    if (!convert(targets_, &raw, &type)) return true;  // an owner that offers nothing we read
    std::vector<Atom> offered(raw.size() / sizeof(Atom));
    std::memcpy(offered.data(), raw.data(), offered.size() * sizeof(Atom));
    auto has = [&](Atom a) {
      for (Atom o : offered)
        if (o == a) return true;
      return false;
    };
    std::string data;
    if ((has(utf8_) && convert(utf8_, &data, &type)) ||
        (has(text_plain_) && convert(text_plain_, &data, &type))) {
      out->has_text = true;
      out->text = utf8_to_gbk(data);
    }
    if (has(png_) && convert(png_, &data, &type) && decode_png(data, &out->bitmap))
      out->has_bitmap = true;
    if (has(copied_) && convert(copied_, &data, &type)) {
      int effect = parse_copied_files(data, &out->files);
      if (effect > 0) {
        out->has_files = true;
        out->has_drop_effect = true;
        out->drop_effect = effect;
      }
    }
    if (!out->has_files && has(uri_list_) && convert(uri_list_, &data, &type)) {
      out->files = parse_uri_list(data);
      out->has_files = true;
    }
    return true;
  }

  std::mutex lock_;
  std::condition_variable cv_;
  bool ready_ = false, display_ok_ = false;
  std::shared_ptr<Request> queue_;
  int wake_[2] = {-1, -1};

  // Only the clipboard thread touches these.
  Display* d_ = nullptr;
  Window win_ = 0;
  Atom clipboard_ = 0, targets_ = 0, utf8_ = 0, text_plain_ = 0, png_ = 0, uri_list_ = 0,
       copied_ = 0, incr_ = 0, prop_ = 0;
  size_t max_bytes_ = 0;
  bool owned_ = false;
  ClipContent offer_;
  std::string offer_text_, offer_png_;
};

}  // namespace

bool desktop_publish(const ClipContent& content) {
  if (!std::getenv("DISPLAY")) return false;
  auto req = std::make_shared<Request>();
  req->content = content;
  return X11Clipboard::get().call(req);
}

bool desktop_fetch(ClipContent* out) {
  if (!std::getenv("DISPLAY")) return false;
  auto req = std::make_shared<Request>();
  req->fetch = true;
  if (!X11Clipboard::get().call(req)) return false;
  *out = std::move(req->content);
  return true;
}

}  // namespace wf::platform::detail
