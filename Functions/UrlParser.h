// Addresses read as a browser reads them: the URL Standard's basic URL parser
// for the schemes a browser fetches images by (http, https) and for file, on
// characters, not bytes. Platform-free.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A parsed address, every part already percent-encoded as the parser leaves
// it, so all of it ASCII. The fragment is not kept: a browser never sends it.
struct ParsedUrl {
  std::string scheme;  // "http", "https" or "file"
  std::string username;
  std::string password;
  std::string host;  // serialized; empty for a file address without one
  int port = -1;     // -1 for none; the scheme's own port is never kept
  std::vector<std::string> path;
  std::optional<std::string> query;
};

// `input` parsed against `base` (none: null); nothing when it fails, or when
// it names a scheme other than http, https and file.
std::optional<ParsedUrl> ParseUrl(std::u32string_view input, const ParsedUrl* base);

// The address as a browser sends it: the parser's serialization, without
// fragment.
std::string SerializeUrl(const ParsedUrl& url);
