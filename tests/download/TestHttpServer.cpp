#include "TestHttpServer.h"

#include <ws2tcpip.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

struct WinsockStart {
  WinsockStart() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
};

void EnsureWinsock() { static WinsockStart start; }

const char* Reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 302: return "Found";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
  }
}

bool SendAll(SOCKET socket, const char* data, std::size_t size) {
  while (size > 0) {
    const int sent = send(socket, data, static_cast<int>(size), 0);
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

}  // namespace

TestHttpServer::TestHttpServer() : stopped_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  EnsureWinsock();
  listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  int length = sizeof(address);
  getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  listen(listener_, 16);
  thread_ = std::thread([this] { AcceptLoop(); });
}

TestHttpServer::~TestHttpServer() {
  stopping_ = true;
  SetEvent(stopped_);
  closesocket(listener_);
  thread_.join();
  CloseHandle(stopped_);
}

std::string TestHttpServer::Origin() const { return "http://127.0.0.1:" + std::to_string(port_); }

void TestHttpServer::Serve(const std::string& path, TestHttpAnswer answer) {
  std::lock_guard<std::mutex> lock(mutex_);
  answers_[path] = std::move(answer);
}

int TestHttpServer::Requests(const std::string& path) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto found = requests_.find(path);
  return found == requests_.end() ? 0 : found->second;
}

void TestHttpServer::AcceptLoop() {
  std::vector<std::thread> clients;
  while (!stopping_) {
    SOCKET client = accept(listener_, nullptr, nullptr);
    if (client == INVALID_SOCKET) break;
    clients.emplace_back([this, client] { Handle(client); });
  }
  for (std::thread& client : clients) client.join();
}

void TestHttpServer::Handle(SOCKET client) {
  std::string request;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos) {
    const int got = recv(client, buffer, sizeof(buffer), 0);
    if (got <= 0) break;
    request.append(buffer, static_cast<std::size_t>(got));
  }
  const std::size_t pathStart = request.find(' ');
  const std::size_t pathEnd = pathStart == std::string::npos ? std::string::npos : request.find(' ', pathStart + 1);
  const std::string path =
      pathEnd == std::string::npos ? std::string() : request.substr(pathStart + 1, pathEnd - pathStart - 1);

  TestHttpAnswer answer;
  bool known = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++requests_[path];
    auto found = answers_.find(path);
    if (found != answers_.end()) {
      answer = found->second;
      known = true;
    }
  }
  if (!known) {
    answer.status = 404;
    answer.body = "<html>no such file</html>";
    answer.contentType = "text/html";
  }
  if (answer.beforeAnswer) answer.beforeAnswer();
  if (answer.silenceMilliseconds) WaitForSingleObject(stopped_, answer.silenceMilliseconds);
  if (answer.noAnswer) {
    closesocket(client);
    return;
  }
  std::string header = "HTTP/1.1 " + std::to_string(answer.status) + " " + Reason(answer.status) +
                       "\r\nContent-Type: " + answer.contentType + "\r\nConnection: close\r\n";
  if (!answer.location.empty()) header += "Location: " + answer.location + "\r\n";
  if (answer.chunked) {
    header += "Transfer-Encoding: chunked\r\n";
  } else if (!answer.streamMilliseconds) {
    const std::size_t length = answer.announcedLength ? answer.announcedLength : answer.body.size();
    header += "Content-Length: " + std::to_string(length) + "\r\n";
  }
  header += "\r\n";
  bool ok = SendAll(client, header.data(), header.size());
  const std::size_t chunk = answer.chunkSize ? answer.chunkSize : (answer.body.empty() ? 1 : answer.body.size());
  bool first = true;
  for (const ULONGLONG end = GetTickCount64() + answer.streamMilliseconds; ok && GetTickCount64() < end; first = false) {
    ok = SendAll(client, answer.body.data(), answer.body.size());
    if (first && answer.afterFirstChunk) answer.afterFirstChunk();
    ok = ok && WaitForSingleObject(stopped_, answer.chunkDelayMilliseconds) == WAIT_TIMEOUT;
  }
  for (std::size_t at = 0; ok && at < answer.body.size(); at += chunk) {
    const std::size_t size = answer.body.size() - at < chunk ? answer.body.size() - at : chunk;
    const bool last = at + size >= answer.body.size();
    if (answer.chunked) {
      char sizeLine[32];
      snprintf(sizeLine, sizeof(sizeLine), "%zx\r\n", size);
      // A cut chunked body announces its last chunk and sends half of it.
      const std::size_t sent = last && answer.cutBeforeLastChunk ? size / 2 : size;
      ok = SendAll(client, sizeLine, strlen(sizeLine)) && SendAll(client, answer.body.data() + at, sent) &&
           (sent < size || SendAll(client, "\r\n", 2));
    } else {
      ok = SendAll(client, answer.body.data() + at, size);
    }
    if (first && answer.afterFirstChunk) answer.afterFirstChunk();
    first = false;
    if (answer.chunkDelayMilliseconds && !last) WaitForSingleObject(stopped_, answer.chunkDelayMilliseconds);
  }
  if (ok && answer.chunked && !answer.cutBeforeLastChunk) SendAll(client, "0\r\n\r\n", 5);
  shutdown(client, SD_SEND);
  closesocket(client);
}

int ClosedPort() {
  EnsureWinsock();
  SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  int length = sizeof(address);
  getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  closesocket(probe);  // bound, never listened on, now closed
  return ntohs(address.sin_port);
}
