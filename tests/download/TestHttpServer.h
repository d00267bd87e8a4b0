// A small HTTP server on 127.0.0.1 for tests, on a thread of its own: fixed
// answers by path, optionally sent slowly, with a count of requests per path.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

struct TestHttpAnswer {
  int status = 200;
  std::string body;
  std::string contentType = "image/gif";
  std::size_t chunkSize = 0;  // 0: all at once
  DWORD chunkDelayMilliseconds = 0;
  // Called on the server's thread after the first chunk went out.
  std::function<void()> afterFirstChunk;
  // Called on the server's thread once the request came, before any answer:
  // a server silent for as long as the test says.
  std::function<void()> beforeAnswer;
  // What a bad server does: announce more than it sends, send a chunked body
  // (chunkSize per chunk) that may stop before its last chunk, redirect, or
  // accept and then stay silent.
  std::size_t announcedLength = 0;  // 0: the body's size
  bool chunked = false;
  bool cutBeforeLastChunk = false;
  std::string location;  // with a 3xx status
  DWORD silenceMilliseconds = 0;
  bool noAnswer = false;  // closes the connection without a word
  // A stream: no length, the body again every chunk delay until the client goes,
  // or for this long (a program that never lets go fails its test, not hangs it).
  DWORD streamMilliseconds = 0;
};

// Bytes that look like a small GIF, different for each seed.
inline std::string ImageBytes(int seed, std::size_t size = 64) {
  std::string bytes = "GIF89a";
  for (std::size_t i = 0; bytes.size() < size; ++i) bytes += static_cast<char>((seed * 31 + i * 7) & 0xFF);
  return bytes;
}

// `body` sent in chunks `delay` apart: a transfer that takes its time.
inline TestHttpAnswer Trickled(std::string body, DWORD delayMilliseconds, std::size_t chunkSize = 128 << 10) {
  TestHttpAnswer answer;
  answer.body = std::move(body);
  answer.chunkSize = chunkSize;
  answer.chunkDelayMilliseconds = delayMilliseconds;
  return answer;
}

class TestHttpServer {
 public:
  TestHttpServer();
  ~TestHttpServer();

  // "http://127.0.0.1:PORT"
  std::string Origin() const;
  void Serve(const std::string& path, TestHttpAnswer answer);
  int Requests(const std::string& path) const;

 private:
  void AcceptLoop();
  void Handle(SOCKET client);

  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  HANDLE stopped_;  // set when the server stops: ends every wait at once
  mutable std::mutex mutex_;
  std::map<std::string, TestHttpAnswer> answers_;
  std::map<std::string, int> requests_;
  std::thread thread_;
};

// A port on 127.0.0.1 where nothing listens.
int ClosedPort();
