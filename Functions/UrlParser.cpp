// The basic URL parser's states for special schemes, in the order the URL
// Standard gives them; the states of other schemes are never entered, since
// such an address names nothing the program fetches.
#include "UrlParser.h"

#include "PercentEncoding.h"
#include "UrlHost.h"

namespace {

constexpr char32_t kEnd = 0xFFFFFFFF;

bool IsAsciiAlpha(char32_t c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAsciiDigit(char32_t c) { return c >= '0' && c <= '9'; }
char AsciiLowerChar(char32_t c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 0x20 : c); }

bool InQuerySet(char32_t c) { return c < 0x20 || c > 0x7E || c == ' ' || c == '"' || c == '#' || c == '<' || c == '>'; }
bool InSpecialQuerySet(char32_t c) { return InQuerySet(c) || c == '\''; }
bool InPathSet(char32_t c) { return InQuerySet(c) || c == '?' || c == '`' || c == '{' || c == '}'; }
bool InUserinfoSet(char32_t c) {
  return InPathSet(c) || c == '/' || c == ':' || c == ';' || c == '=' || c == '@' || (c >= '[' && c <= '^') ||
         c == '|';
}

void AppendEncoded(std::string& out, char32_t c, bool (*inSet)(char32_t)) {
  if (inSet(c)) {
    AppendPercentEncodedUtf8(out, c);
  } else {
    out += static_cast<char>(c);
  }
}

int DefaultPort(const std::string& scheme) {
  if (scheme == "http") return 80;
  if (scheme == "https") return 443;
  return -1;
}

bool IsWindowsDriveLetter(std::u32string_view text) {
  return text.size() == 2 && IsAsciiAlpha(text[0]) && (text[1] == ':' || text[1] == '|');
}
bool IsWindowsDriveLetter(const std::string& text) {
  return text.size() == 2 && IsAsciiAlpha(static_cast<unsigned char>(text[0])) && (text[1] == ':' || text[1] == '|');
}
bool IsNormalizedWindowsDriveLetter(const std::string& text) { return IsWindowsDriveLetter(text) && text[1] == ':'; }

bool StartsWithWindowsDriveLetter(std::u32string_view rest) {
  if (rest.size() < 2 || !IsWindowsDriveLetter(rest.substr(0, 2))) return false;
  if (rest.size() == 2) return true;
  const char32_t third = rest[2];
  return third == '/' || third == '\\' || third == '?' || third == '#';
}

bool EqualsIgnoringAsciiCase(const std::string& text, const char* lower) {
  std::size_t i = 0;
  for (; lower[i] != '\0'; ++i) {
    if (i >= text.size() || AsciiLowerChar(static_cast<unsigned char>(text[i])) != lower[i]) return false;
  }
  return i == text.size();
}

bool IsSingleDot(const std::string& segment) { return segment == "." || EqualsIgnoringAsciiCase(segment, "%2e"); }
bool IsDoubleDot(const std::string& segment) {
  return segment == ".." || EqualsIgnoringAsciiCase(segment, ".%2e") || EqualsIgnoringAsciiCase(segment, "%2e.") ||
         EqualsIgnoringAsciiCase(segment, "%2e%2e");
}

void ShortenPath(ParsedUrl& url) {
  if (url.scheme == "file" && url.path.size() == 1 && IsNormalizedWindowsDriveLetter(url.path[0])) return;
  if (!url.path.empty()) url.path.pop_back();
}

// Leading and trailing C0 controls and spaces go, then every tab and line
// break wherever it stands.
std::u32string Cleaned(std::u32string_view input) {
  std::size_t first = 0;
  std::size_t last = input.size();
  while (first < last && input[first] <= 0x20) ++first;
  while (last > first && input[last - 1] <= 0x20) --last;
  std::u32string text;
  text.reserve(last - first);
  for (std::size_t i = first; i < last; ++i) {
    if (input[i] != '\t' && input[i] != '\n' && input[i] != '\r') text += input[i];
  }
  return text;
}

enum class State {
  SchemeStart, Scheme, NoScheme, SpecialRelativeOrAuthority, Relative, RelativeSlash, SpecialAuthoritySlashes,
  SpecialAuthorityIgnoreSlashes, Authority, Host, Port, File, FileSlash, FileHost, PathStart, Path, Query,
};

void TakeAuthority(ParsedUrl& url, const ParsedUrl& base) {
  url.username = base.username;
  url.password = base.password;
  url.host = base.host;
  url.port = base.port;
}

// A reference that starts from the base's path and query, at its first
// character: a query of its own, a path that goes on from the base's (the
// state says which), or the address whole (false): a fragment, or nothing.
bool TakeBasePathAndQuery(ParsedUrl& url, const ParsedUrl& base, char32_t c, State& state) {
  url.path = base.path;
  url.query = base.query;
  if (c == '?') {
    url.query = std::string();
    state = State::Query;
  } else if (c == '#') {
    return false;
  } else if (c != kEnd) {
    url.query.reset();
    state = State::Path;
  }
  return true;
}

}  // namespace

std::optional<ParsedUrl> ParseUrl(std::u32string_view rawInput, const ParsedUrl* base) {
  const std::u32string input = Cleaned(rawInput);
  ParsedUrl url;
  State state = State::SchemeStart;
  std::u32string buffer;
  std::string path;  // the path segment under way, percent-encoded
  bool atSignSeen = false;
  bool insideBrackets = false;
  bool passwordTokenSeen = false;
  const auto rest = [&input](std::size_t from) {
    return from < input.size() ? std::u32string_view(input).substr(from) : std::u32string_view();
  };
  for (std::size_t pointer = 0;; ++pointer) {
    const char32_t c = pointer < input.size() ? input[pointer] : kEnd;
    switch (state) {
      case State::SchemeStart:
        if (IsAsciiAlpha(c)) {
          buffer += static_cast<char32_t>(AsciiLowerChar(c));
          state = State::Scheme;
        } else {
          state = State::NoScheme;
          --pointer;
        }
        break;
      case State::Scheme:
        if (IsAsciiAlpha(c) || IsAsciiDigit(c) || c == '+' || c == '-' || c == '.') {
          buffer += static_cast<char32_t>(AsciiLowerChar(c));
        } else if (c == ':') {
          url.scheme.assign(buffer.begin(), buffer.end());
          buffer.clear();
          if (url.scheme == "file") {
            state = State::File;
          } else if (DefaultPort(url.scheme) < 0) {
            return std::nullopt;  // not a scheme an image is fetched by
          } else if (base && base->scheme == url.scheme) {
            state = State::SpecialRelativeOrAuthority;
          } else {
            state = State::SpecialAuthoritySlashes;
          }
        } else {
          buffer.clear();
          state = State::NoScheme;
          pointer = static_cast<std::size_t>(-1);  // start over
        }
        break;
      case State::NoScheme:
        if (!base) return std::nullopt;
        state = base->scheme == "file" ? State::File : State::Relative;
        --pointer;
        break;
      case State::SpecialRelativeOrAuthority:
        if (c == '/' && pointer + 1 < input.size() && input[pointer + 1] == '/') {
          state = State::SpecialAuthorityIgnoreSlashes;
          ++pointer;
        } else {
          state = State::Relative;
          --pointer;
        }
        break;
      case State::Relative:
        url.scheme = base->scheme;
        if (c == '/' || c == '\\') {
          state = State::RelativeSlash;
        } else {
          TakeAuthority(url, *base);
          if (!TakeBasePathAndQuery(url, *base, c, state)) return url;
          if (state == State::Path) {
            ShortenPath(url);
            --pointer;
          }
        }
        break;
      case State::RelativeSlash:
        if (c == '/' || c == '\\') {
          state = State::SpecialAuthorityIgnoreSlashes;
        } else {
          TakeAuthority(url, *base);
          state = State::Path;
          --pointer;
        }
        break;
      case State::SpecialAuthoritySlashes:
        state = State::SpecialAuthorityIgnoreSlashes;
        if (c == '/' && pointer + 1 < input.size() && input[pointer + 1] == '/') {
          ++pointer;
        } else {
          --pointer;
        }
        break;
      case State::SpecialAuthorityIgnoreSlashes:
        if (c != '/' && c != '\\') {
          state = State::Authority;
          --pointer;
        }
        break;
      case State::Authority:
        if (c == '@') {
          if (atSignSeen) buffer.insert(0, U"%40");
          atSignSeen = true;
          for (char32_t point : buffer) {
            if (point == ':' && !passwordTokenSeen) {
              passwordTokenSeen = true;
              continue;
            }
            AppendEncoded(passwordTokenSeen ? url.password : url.username, point, InUserinfoSet);
          }
          buffer.clear();
        } else if (c == kEnd || c == '/' || c == '?' || c == '#' || c == '\\') {
          if (atSignSeen && buffer.empty()) return std::nullopt;
          pointer -= buffer.size() + 1;
          buffer.clear();
          state = State::Host;
        } else {
          buffer += c;
        }
        break;
      case State::Host:
      case State::FileHost:
        if (state == State::Host && c == ':' && !insideBrackets) {
          if (buffer.empty()) return std::nullopt;
          std::optional<std::string> host = ParseHost(buffer);
          if (!host) return std::nullopt;
          url.host = std::move(*host);
          buffer.clear();
          state = State::Port;
        } else if (c == kEnd || c == '/' || c == '?' || c == '#' || c == '\\') {
          --pointer;
          if (state == State::FileHost && IsWindowsDriveLetter(buffer)) {
            state = State::Path;  // the buffer goes on as the path's first segment
            break;
          }
          if (buffer.empty()) {
            if (state == State::Host) return std::nullopt;
            url.host.clear();
          } else {
            std::optional<std::string> host = ParseHost(buffer);
            if (!host) return std::nullopt;
            url.host = state == State::FileHost && *host == "localhost" ? std::string() : std::move(*host);
          }
          buffer.clear();
          state = State::PathStart;
        } else {
          if (c == '[') insideBrackets = true;
          if (c == ']') insideBrackets = false;
          buffer += c;
        }
        break;
      case State::Port:
        if (IsAsciiDigit(c)) {
          buffer += c;
          // More than five digits may still be a port with leading zeros:
          // only the value counts.
          while (buffer.size() > 1 && buffer[0] == '0') buffer.erase(0, 1);
          if (buffer.size() > 5) return std::nullopt;
        } else if (c == kEnd || c == '/' || c == '?' || c == '#' || c == '\\') {
          if (!buffer.empty()) {
            int port = 0;
            for (char32_t digit : buffer) port = port * 10 + static_cast<int>(digit - '0');
            if (port > 65535) return std::nullopt;
            url.port = port == DefaultPort(url.scheme) ? -1 : port;
            buffer.clear();
          }
          state = State::PathStart;
          --pointer;
        } else {
          return std::nullopt;
        }
        break;
      case State::File:
        url.scheme = "file";
        url.host.clear();
        if (c == '/' || c == '\\') {
          state = State::FileSlash;
        } else if (base && base->scheme == "file") {
          url.host = base->host;
          if (!TakeBasePathAndQuery(url, *base, c, state)) return url;
          if (state == State::Path) {
            if (!StartsWithWindowsDriveLetter(rest(pointer))) {
              ShortenPath(url);
            } else {
              url.path.clear();
            }
            --pointer;
          }
        } else {
          state = State::Path;
          --pointer;
        }
        break;
      case State::FileSlash:
        if (c == '/' || c == '\\') {
          state = State::FileHost;
        } else {
          if (base && base->scheme == "file") {
            url.host = base->host;
            if (!StartsWithWindowsDriveLetter(rest(pointer)) && !base->path.empty() &&
                IsNormalizedWindowsDriveLetter(base->path[0])) {
              url.path.push_back(base->path[0]);
            }
          }
          state = State::Path;
          --pointer;
        }
        break;
      case State::PathStart:
        state = State::Path;
        if (c != '/' && c != '\\') --pointer;
        break;
      case State::Path:
        if (!buffer.empty()) {
          // A drive letter the file host state left behind.
          for (char32_t point : buffer) AppendEncoded(path, point, InPathSet);
          buffer.clear();
        }
        if (c == kEnd || c == '/' || c == '\\' || c == '?' || c == '#') {
          const bool slash = c == '/' || c == '\\';
          if (IsDoubleDot(path)) {
            ShortenPath(url);
            if (!slash) url.path.emplace_back();
          } else if (IsSingleDot(path)) {
            if (!slash) url.path.emplace_back();
          } else {
            if (url.scheme == "file" && url.path.empty() && IsWindowsDriveLetter(path)) path[1] = ':';
            url.path.push_back(path);
          }
          path.clear();
          if (c == '?') {
            url.query = std::string();
            state = State::Query;
          } else if (c == '#' || c == kEnd) {
            return url;
          }
        } else {
          AppendEncoded(path, c, InPathSet);
        }
        break;
      case State::Query:
        if (c == kEnd || c == '#') return url;
        AppendEncoded(*url.query, c, InSpecialQuerySet);
        break;
    }
    // One look at the end, unless a state put the pointer back to look again.
    if (pointer == input.size()) return url;
  }
}

std::string SerializeUrl(const ParsedUrl& url) {
  std::string text = url.scheme + "://";
  if (!url.username.empty() || !url.password.empty()) {
    text += url.username;
    if (!url.password.empty()) text += ":" + url.password;
    text += '@';
  }
  text += url.host;
  if (url.port >= 0) text += ":" + std::to_string(url.port);
  for (const std::string& segment : url.path) text += "/" + segment;
  if (url.query) text += "?" + *url.query;
  return text;
}
