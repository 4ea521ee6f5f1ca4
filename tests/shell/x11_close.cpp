// A small X11 client for the program test: waits until a top-level window whose
// _NET_WM_PID is the given process shows up (mapped), then asks it to close as a window
// manager's close button does (WM_DELETE_WINDOW). Exit code 0 when the request was sent,
// 1 when the window did not appear within the given number of seconds, 2 without a display.
//   x11_close <pid> <seconds>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>

namespace {

// Windows come and go while we look at them; their errors are not ours.
int ignore_errors(Display*, XErrorEvent*) { return 0; }

long window_pid(Display* d, Window w, Atom pid_atom) {
  Atom type;
  int format;
  unsigned long n = 0, after = 0;
  unsigned char* data = nullptr;
  long pid = -1;
  if (XGetWindowProperty(d, w, pid_atom, 0, 1, False, XA_CARDINAL, &type, &format, &n, &after,
                         &data) == Success &&
      data && n == 1 && format == 32)
    pid = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
  if (data) XFree(data);
  return pid;
}

Window find_mapped(Display* d, Window root, long pid, Atom pid_atom) {
  Window parent, r, *children = nullptr;
  unsigned int n = 0;
  Window found = 0;
  if (!XQueryTree(d, root, &r, &parent, &children, &n)) return 0;
  for (unsigned int i = 0; i < n && !found; ++i) {
    XWindowAttributes a;
    if (window_pid(d, children[i], pid_atom) == pid && XGetWindowAttributes(d, children[i], &a) &&
        a.map_state == IsViewable)
      found = children[i];
  }
  if (children) XFree(children);
  return found;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const long pid = std::atol(argv[1]);
  const int seconds = std::atoi(argv[2]);
  Display* d = XOpenDisplay(nullptr);
  if (!d) return 2;
  XSetErrorHandler(ignore_errors);
  Atom pid_atom = XInternAtom(d, "_NET_WM_PID", False);
  Atom protocols = XInternAtom(d, "WM_PROTOCOLS", False);
  Atom del = XInternAtom(d, "WM_DELETE_WINDOW", False);
  const time_t end = time(nullptr) + seconds;
  Window w = 0;
  while (!(w = find_mapped(d, DefaultRootWindow(d), pid, pid_atom))) {
    if (time(nullptr) > end) return 1;
    usleep(50 * 1000);
  }
  usleep(500 * 1000);  // let the program reach its frame loop
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = w;
  ev.xclient.message_type = protocols;
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = static_cast<long>(del);
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, w, False, NoEventMask, &ev);
  XFlush(d);
  XCloseDisplay(d);
  return 0;
}
