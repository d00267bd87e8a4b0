// How a downloaded image's address and file are named: what the download
// service takes for an address's extension, where the saved file goes and
// the file the cache holds, and the numbered names that keep different
// images of one name apart. Platform-free; TargetFiles uses them. Paths are
// wide, as the file system has them: never through the code page, which
// lacks characters a folder's or a cached file's name can hold.
#pragma once

#include <cstddef>
#include <string>

// The number of characters after the last "." of `address`, counted as the
// download service finds a file extension: backwards from the end, where a
// space or a "\" ends the search. A double-byte character counts as one.
// 0 when there is no ".".
std::size_t ExtensionLength(std::string address);

// `path` with " (n)" put before the extension of its file name (after its last
// "\"), or at its end when the file name has no ".": C:\a\x.gif, 2 gives
// C:\a\x (2).gif.
std::wstring NumberedFileName(std::wstring path, int number);

// The file to copy when the cache records `name` but no file of that name
// exists: the cache may record escapes ("%20", "&gt;", "&lt;", "&quot;")
// that the file on disk does not have.
std::wstring DecodedCacheName(std::wstring name);

// Where an image cached as `cacheFile` is saved in `folder`: the folder, then
// the cache file's name (after its last "\" or ":") with its escapes of
// UTF-8 made characters again ("%E4%B8%AD" is "中"), where a file name may
// hold them, and every "%" and "," left taken out. Taken from the folder
// too, they would send the image into another folder than its line names
// ("a,b" into "ab").
std::wstring SavedFilePath(const std::wstring& folder, const std::wstring& cacheFile);
