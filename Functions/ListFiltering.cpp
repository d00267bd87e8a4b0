#include "ListFiltering.h"

#include "CodePage.h"
#include "ListSyntax.h"

namespace {

std::string TrimControlsAndSpaces(const std::string& text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
  return text.substr(first, last - first);
}

}  // namespace

std::string AddressExtension(const std::string& address) {
  const std::size_t delimiter = codepage::FindLastDelimiter(address, ".\\:");
  if (delimiter == std::string::npos || address[delimiter] != '.') return std::string();
  return TrimControlsAndSpaces(codepage::UpperCase(address.substr(delimiter)));
}

std::string PathExtension(const std::string& address) {
  // "?" and "#" are never trail bytes of code page 936.
  return AddressExtension(address.substr(0, address.find_first_of("?#")));
}

DownloadListIndex::DownloadListIndex(const std::vector<std::string>& lines) {
  upperLines_.reserve(lines.size() * 2);
  for (const std::string& line : lines) Add(line);
}

bool DownloadListIndex::HoldsAddress(const std::string& address) const {
  const std::string upper = codepage::UpperCase(address);
  return upperLines_.count(upper) != 0 || upperLines_.count("-" + upper) != 0;
}

void DownloadListIndex::Add(const std::string& line) { upperLines_.insert(codepage::UpperCase(line)); }

std::vector<std::string> SelectNewImageLines(const std::vector<std::string>& collected,
                                             const std::vector<std::string>& downloadList,
                                             const std::string& typeFilter) {
  const std::string filter = codepage::UpperCase(typeFilter);
  DownloadListIndex index(downloadList);
  std::vector<std::string> added;
  for (const std::string& address : collected) {
    // Collected lines come from pages; a page never writes a folder or done
    // line, nor a line break, whatever the Collected list came to hold.
    if (HoldsListSyntax(address)) continue;
    const auto passes = [&filter](const std::string& extension) {
      return !extension.empty() && filter.find(extension) != std::string::npos;
    };
    if (!passes(AddressExtension(address)) && !passes(PathExtension(address))) continue;
    if (index.HoldsAddress(address)) continue;
    added.push_back(address);
    index.Add(address);
  }
  return added;
}
