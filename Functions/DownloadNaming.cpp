#include "DownloadNaming.h"

#include "CodePage.h"
#include "TextRoutines.h"

std::size_t ExtensionLength(std::string address) {
  // Walked forwards so that a trail byte is never taken for a "\".
  std::size_t characters = 0;
  bool inExtension = false;
  for (std::size_t at = 0; at < address.size(); ++at) {
    const char byte = address[at];
    if (byte == '.') {
      inExtension = true;
      characters = 0;
      continue;
    }
    if (byte == ' ' || byte == '\\') {
      inExtension = false;
      characters = 0;
      continue;
    }
    if (codepage::IsLeadByte(static_cast<unsigned char>(byte)) && at + 1 < address.size()) ++at;
    if (inExtension) ++characters;
  }
  return inExtension ? characters : 0;
}

std::string NumberedFileName(std::string path, int number) {
  const std::size_t slash = codepage::FindLastDelimiter(path, "\\");
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < nameStart) dot = path.size();
  return path.insert(dot, " (" + std::to_string(number) + ")");
}

std::string DecodedCacheName(std::string name) {
  name = ReplaceAll("%20", std::move(name), " ");
  name = ReplaceAll("&gt;", std::move(name), ">");
  name = ReplaceAll("&lt;", std::move(name), "<");
  return ReplaceAll("&quot;", std::move(name), "\"");
}

std::string SavedFilePath(const std::string& folder, const std::string& cacheFile) {
  const std::size_t delimiter = codepage::FindLastDelimiter(cacheFile, "\\:");
  const std::string fileName = delimiter == std::string::npos ? cacheFile : cacheFile.substr(delimiter + 1);
  return folder + ReplaceAll(",", ReplaceAll("%", fileName, ""), "");
}
