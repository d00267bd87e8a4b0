#include "CodePage.h"
#include "TextRoutines.h"

std::string ReplaceAll(std::string oldText, std::string text, std::string newText) {
  if (oldText.empty() || text.size() < oldText.size()) return text;
  std::size_t hit = codepage::FindOnCharBoundary(text, oldText);
  if (hit == std::string::npos) return text;

  std::string result;
  result.reserve(text.size());
  std::size_t done = 0;
  while (hit != std::string::npos) {
    result.append(text, done, hit - done).append(newText);
    done = hit + oldText.size();
    hit = codepage::FindOnCharBoundary(text, oldText, done);
  }
  result.append(text, done, std::string::npos);
  return result;
}

std::string UrlFileName(std::string address) {
  const std::size_t slash = address.rfind('/');
  if (slash == std::string::npos) return address;
  return address.substr(slash + 1);
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}
