#include "ImageContent.h"

#include <string>

#include "AsciiCase.h"

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

bool EqualsIgnoringCase(std::string_view text, std::string_view lowerWord) {
  return text.size() == lowerWord.size() && EqualsIgnoringAsciiCase(text.data(), lowerWord);
}

bool StartsIgnoringCase(std::string_view text, std::string_view lowerWord) {
  return text.size() >= lowerWord.size() && EqualsIgnoringAsciiCase(text.data(), lowerWord);
}

// The extension of the address's path, before any query or fragment.
std::string_view PathExtension(std::string_view address) {
  address = address.substr(0, address.find_first_of("?#"));
  const std::size_t slash = address.find_last_of("/\\");
  if (slash != std::string_view::npos) address.remove_prefix(slash + 1);
  const std::size_t dot = address.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : address.substr(dot + 1);
}

bool AsksForAnImage(std::string_view extension) {
  for (std::string_view image : {"gif", "png", "apng", "jpg", "jpeg", "jpe", "jfif", "pjpeg", "pjp", "bmp", "dib",
                                 "ico", "cur", "webp", "tif", "tiff", "avif", "heic", "heif", "jxl", "svg", "svgz"}) {
    if (EqualsIgnoringCase(extension, image)) return true;
  }
  return false;
}

// A BMP's "BM" counts only with the size of a known header after it: two
// letters alone start many a text.
bool IsBitmap(std::string_view start) {
  if (start.size() < 18 || !StartsWith(start, "BM") || start.substr(15, 3) != std::string_view("\0\0\0", 3)) {
    return false;
  }
  const unsigned header = static_cast<unsigned char>(start[14]);
  for (unsigned size : {12u, 40u, 52u, 56u, 64u, 108u, 124u}) {
    if (header == size) return true;
  }
  return false;
}

bool HasImageSignature(std::string_view start) {
  using namespace std::string_view_literals;
  auto at = [&](std::size_t offset, std::string_view bytes) {
    return start.size() >= offset + bytes.size() && start.substr(offset, bytes.size()) == bytes;
  };
  return at(0, "GIF87a") || at(0, "GIF89a") || at(0, "\x89PNG\r\n\x1a\n") || at(0, "\xff\xd8\xff") || IsBitmap(start) ||
         at(0, "\0\0\1\0"sv) || at(0, "\0\0\2\0"sv) || (at(0, "RIFF") && at(8, "WEBP")) || at(0, "II*\0"sv) ||
         at(0, "MM\0*"sv) || at(4, "ftyp") || at(0, "\xff\x0a") || at(0, "\0\0\0\x0cJXL "sv) ||
         at(0, "\0\0\0\x0cjP  "sv);
}

// The start as ASCII, after a byte-order mark: a UTF-16 text has every
// character it needs here in one code unit. Other characters become 0x80.
std::string AsciiView(std::string_view start) {
  int unit = 1;
  bool bigEndian = false;
  if (StartsWith(start, "\xef\xbb\xbf")) {
    start.remove_prefix(3);
  } else if (StartsWith(start, "\xff\xfe") || StartsWith(start, "\xfe\xff")) {
    bigEndian = start[0] == '\xfe';
    start.remove_prefix(2);
    unit = 2;
  }
  std::string text;
  for (std::size_t i = 0; i + unit <= start.size(); i += unit) {
    const char low = start[i + (bigEndian ? 1 : 0)];
    const char high = unit == 2 ? start[i + (bigEndian ? 0 : 1)] : '\0';
    text += high == '\0' ? low : '\x80';
  }
  return text;
}

bool IsWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

std::string_view SkipWhiteSpace(std::string_view text) {
  while (!text.empty() && IsWhiteSpace(text.front())) text.remove_prefix(1);
  return text;
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool IsMarkup(std::string_view text) {
  return text.size() >= 2 && text[0] == '<' && (IsLetter(text[1]) || text[1] == '!' || text[1] == '?');
}

bool IsText(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 && !IsWhiteSpace(c)) return false;
  }
  return true;
}

// Whether the first element of a markup text, after its declaration,
// comments and doctype, is anything but "svg" (an HTML page where an SVG was
// asked for). A prolog longer than the start is no proof of a page.
bool FirstElementIsNotSvg(std::string_view text) {
  for (;;) {
    text = SkipWhiteSpace(text);
    std::string_view end = "";
    if (StartsWith(text, "<?")) {
      end = "?>";
    } else if (StartsWith(text, "<!--")) {
      end = "-->";
    } else if (StartsWith(text, "<!")) {
      end = ">";
    } else {
      break;
    }
    const std::size_t at = text.find(end, 2);
    if (at == std::string_view::npos) return false;
    text.remove_prefix(at + end.size());
  }
  if (!StartsWith(text, "<")) return false;
  text.remove_prefix(1);
  std::size_t length = 0;
  while (length < text.size() && (IsLetter(text[length]) || text[length] == ':' || text[length] == '-' ||
                                  text[length] == '_' || (text[length] >= '0' && text[length] <= '9'))) {
    ++length;
  }
  if (length == text.size()) return false;  // the name runs past the start
  std::string_view name = text.substr(0, length);
  if (const std::size_t colon = name.rfind(':'); colon != std::string_view::npos) name.remove_prefix(colon + 1);
  return name != "svg";
}

bool IsHtmlType(std::string_view type) {
  type = SkipWhiteSpace(type.substr(0, type.find(';')));
  while (!type.empty() && IsWhiteSpace(type.back())) type.remove_suffix(1);
  return EqualsIgnoringCase(type, "text/html") || EqualsIgnoringCase(type, "application/xhtml+xml");
}

}  // namespace

bool IsImageContent(std::string_view declaredType, std::string_view start, std::string_view address) {
  if (start.empty()) return false;
  const std::string_view extension = PathExtension(address);
  if (!AsksForAnImage(extension) || HasImageSignature(start)) return true;
  const std::string ascii = AsciiView(start);
  const std::string_view text = SkipWhiteSpace(ascii);
  if (IsMarkup(text)) return StartsIgnoringCase(extension, "svg") && !FirstElementIsNotSvg(text);
  return !(IsText(ascii) && IsHtmlType(declaredType));
}
