// Choosing which collected image addresses join the download list.
// Platform-free: letter case goes through the code-page seam.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

// The extension of an address, upper-cased and trimmed of characters up to
// space: from its last ".", "\" or ":" to the end when that character is ".",
// else empty. "\" and ":" as trail bytes of double-byte characters do not count.
std::string AddressExtension(const std::string& address);

// The same for the address's path alone, before any "?" or "#": a.jpg?w=300
// is a ".JPG".
std::string PathExtension(const std::string& address);

// The download list's lines as the duplicate test sees them: upper-cased, so
// that one look answers "is this line there in any letter case".
class DownloadListIndex {
 public:
  explicit DownloadListIndex(const std::vector<std::string>& lines);

  // True when the list holds the address, or the address marked done ("-").
  bool HoldsAddress(const std::string& address) const;
  void Add(const std::string& line);

 private:
  std::unordered_set<std::string> upperLines_;
};

// The collected addresses to append to the download list, in order: those
// whose extension, or their path's, occurs in the upper-cased type filter and that the list does
// not hold yet, plain or done, in any letter case; each only once. None that
// holds list syntax (HoldsListSyntax).
std::vector<std::string> SelectNewImageLines(const std::vector<std::string>& collected,
                                             const std::vector<std::string>& downloadList,
                                             const std::string& typeFilter);
