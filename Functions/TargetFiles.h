// Where and how a downloaded image is written: whole under its name, or not
// at all. Windows only; every path wide, as the file system has it.
#pragma once

#include <functional>
#include <string>

#include "FailureReasons.h"

// The end of the name an image is copied under before it takes its own
// ("logo[1].gif.pixorra-part"): a copy cut short by a full disk, or by the
// process being killed, leaves only such a file, never part of an image
// under the image's name. The next run's first copy into the folder
// removes it.
extern const wchar_t kPartSuffix[];

// The path to copy `source` to: `target` when no file is there or the file
// there holds the same bytes (it is overwritten), otherwise the first of
// "name (2).ext", "name (3).ext", ... that is free or holds the same bytes.
// Different images that the cache gives the same name thus never overwrite
// each other. Empty when no such name is found.
std::wstring ChooseTargetFile(const std::wstring& target, const std::wstring& source);

// True when both files exist and hold the same bytes.
bool SameFileContent(const std::wstring& first, const std::wstring& second);

// Up to `count` bytes from the start of the file at `path`; empty when it
// cannot be read.
std::string FileStart(const std::wstring& path, std::size_t count);

// Copies one file onto another, overwriting it: 0, or the system's error.
using FileCopy = std::function<unsigned long(const std::wstring& from, const std::wstring& to)>;

struct WrittenImage {
  std::wstring path;      // the saved file; empty when it was not saved
  FailureReason failure;  // why not
};

// Writes `source` into `folder` (absolute, with its "\") under `target`'s
// name, or where a namesake stands there, as ChooseTargetFile says: the
// folder is made with its parents where it is missing; with `sweep`, the
// parts our copies left there go first; the copy goes to a part file that
// then takes the name. Whatever fails, no file stands under the name but
// the whole image.
WrittenImage WriteImage(const std::wstring& folder, const std::wstring& target, const std::wstring& source,
                        bool sweep, const FileCopy& copy);
