// Where a downloaded image is written. Windows only.
#pragma once

#include <string>

// The path to copy `source` to: `target` when no file is there or the file
// there holds the same bytes (it is overwritten), otherwise the first of
// "name (2).ext", "name (3).ext", ... that is free or holds the same bytes.
// Different images that the cache gives the same name thus never overwrite
// each other. Empty when no such name is found.
std::string ChooseTargetFile(const std::string& target, const std::string& source);

// True when both files exist and hold the same bytes.
bool SameFileContent(const std::string& first, const std::string& second);

// Up to `count` bytes from the start of the file at `path`; empty when it
// cannot be read.
std::string FileStart(const std::string& path, std::size_t count);
