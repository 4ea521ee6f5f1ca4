// The web tests' loopback HTTP server: one thread accepts, one thread per connection answers.
#include "tests/web/test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace wf::web::testing {
namespace {

int bound_socket(int* port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in at{};
  at.sin_family = AF_INET;
  at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  at.sin_port = 0;
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) return -1;
  socklen_t size = sizeof at;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&at), &size);
  *port = ntohs(at.sin_port);
  return fd;
}

bool send_all(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

int closed_port() {
  int port = 0;
  int fd = bound_socket(&port);
  ::close(fd);  // bound but never listening: connections are refused
  return port;
}

TestServer::TestServer() {
  listener_ = bound_socket(&port_);
  ::listen(listener_, 64);
  if (::pipe(wake_) != 0) wake_[0] = wake_[1] = -1;
  acceptor_ = std::thread([this] { accept_loop(); });
}

TestServer::~TestServer() {
  stopping_ = true;
  char one = 1;
  if (::write(wake_[1], &one, 1) != 1) {
  }
  acceptor_.join();
  for (std::thread& worker : workers_) worker.join();
  ::close(listener_);
  ::close(wake_[0]);
  ::close(wake_[1]);
}

void TestServer::set(const std::string& path, const Reply& reply) {
  std::lock_guard<std::mutex> hold(lock_);
  replies_[path] = reply;
}

std::string TestServer::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

Reply TestServer::reply_for(const std::string& path) {
  std::lock_guard<std::mutex> hold(lock_);
  auto found = replies_.find(path);
  if (found != replies_.end()) return found->second;
  Reply missing;
  missing.status = 404;
  missing.body = "<html><title>missing</title></html>";
  return missing;
}

void TestServer::accept_loop() {
  while (!stopping_) {
    pollfd wait[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (::poll(wait, 2, -1) <= 0 || (wait[1].revents & POLLIN)) break;
    int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    std::lock_guard<std::mutex> hold(lock_);
    workers_.emplace_back([this, fd] { serve(fd); });
  }
}

void TestServer::serve(int fd) {
  std::string request;
  char buffer[1024];
  while (request.find("\r\n\r\n") == std::string::npos) {
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) {
      ::close(fd);
      return;
    }
    request.append(buffer, static_cast<std::size_t>(n));
  }
  ++requests_;
  std::size_t from = request.find(' ') + 1;
  std::string path = request.substr(from, request.find(' ', from) - from);
  Reply reply = reply_for(path);
  if (reply.silent) {
    pollfd wait[2] = {{wake_[0], POLLIN, 0}, {fd, POLLIN, 0}};
    ::poll(wait, 2, -1);  // until the server stops or the client gives up
    ::close(fd);
    return;
  }
  int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  std::size_t announced = reply.body.size() + (reply.cut_short ? 1000 : 0);
  std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " Canned\r\n" +
                     "Content-Length: " + std::to_string(announced) + "\r\n" +
                     "Connection: close\r\n" + reply.headers + "\r\n";
  bool ok = send_all(fd, head.data(), head.size());
  std::size_t piece = reply.piece ? reply.piece : reply.body.size();
  for (std::size_t at = 0; ok && at < reply.body.size(); at += piece) {
    std::size_t n = std::min(piece, reply.body.size() - at);
    ok = send_all(fd, reply.body.data() + at, n);
  }
  ::shutdown(fd, SHUT_WR);
  while (::recv(fd, buffer, sizeof buffer, 0) > 0) {
  }
  ::close(fd);
}

}  // namespace wf::web::testing
