// A small HTTP/1.1 server for the web tests, inside the test process on 127.0.0.1 with an
// ephemeral port. Each path gets a canned reply; a reply can be sent in small pieces, cut
// short, or withheld (the connection stays silent until the server stops).
#pragma once
#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace wf::web::testing {

struct Reply {
  int status = 200;
  std::string body;
  std::string headers;      // extra header lines, each ending in "\r\n"
  std::size_t piece = 0;    // send the body in writes of this many bytes (0: at once)
  bool silent = false;      // read the request, never answer
  bool cut_short = false;   // announce more bytes than sent, then close
};

class TestServer {
 public:
  TestServer();
  ~TestServer();
  void set(const std::string& path, const Reply& reply);
  std::string url(const std::string& path) const;
  int requests() const { return requests_.load(); }
  int port() const { return port_; }

 private:
  void accept_loop();
  void serve(int fd);
  Reply reply_for(const std::string& path);

  int listener_ = -1;
  int port_ = 0;
  int wake_[2] = {-1, -1};  // written at stop, wakes every poll
  std::atomic<bool> stopping_{false};
  std::atomic<int> requests_{0};
  std::mutex lock_;
  std::map<std::string, Reply> replies_;
  std::thread acceptor_;
  std::vector<std::thread> workers_;
};

// A port on loopback with nothing listening on it.
int closed_port();

}  // namespace wf::web::testing
