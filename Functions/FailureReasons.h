// Why a line of the download list was left without its mark, in the words
// the user reads: every failed line has exactly one reason, kept with the
// line until it is edited, the lists are cleared or a new run starts.
// Platform-free.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <utility>
#include <vector>

// ReasonWords lists their words in this order.
enum class Failure {
  ServerStatus,      // the server answered an error: `code` is the status
  NotAnImage,        // a page came where the line asks for an image
  Incomplete,        // cut short, empty, or no content
  NoResponse,        // silence, or a close without a word
  NoConnection,      // refused, or no such host
  TooManyRedirects,
  DiskFull,
  AccessDenied,
  FolderInvalid,     // a relative folder, a missing drive, a name refused
  NameTooLong,
  Stopped,           // Esc, a clearing or the close box
  Other,             // `code` is the system's error code
};

struct FailureReason {
  Failure kind = Failure::Other;
  unsigned long code = 0;
  // What it concerns, where that helps the user: the folder, or the host.
  std::wstring detail;
};

// The reason's words as the line under the caret tells them:
// "服务器答复 404", "不是图片（服务器给了网页）", "其他错误（0x80004005）".
std::wstring ReasonWords(const FailureReason& reason);

// A line of the list, told from its copies by how many lines above it read
// the same, and the reasons of the lines that failed.
using LineKey = std::pair<std::string, std::size_t>;
using FailedLines = std::map<LineKey, FailureReason>;

// The causes of `reasons` that the end of a run names after its count of
// failed lines, most frequent first, each with its count, two at most and
// "等" when there are more: "服务器答复 404 ×3，不是图片 ×2". Then the same
// with causes dropped from the end for "…", down to "…" alone, for a label
// too narrow: a cause is never cut in its middle. Empty for no reasons.
std::vector<std::wstring> CauseListings(const std::vector<FailureReason>& reasons);
