// What the lines of the download list say, told by their first character,
// and the folder that governs a line. Platform-free: the list comes in as
// lines.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A folder line: "$" and a folder; only "$" means the save folder again.
inline bool IsFolderLine(std::string_view line) { return !line.empty() && line[0] == '$'; }
// A done line: "-" and an address whose image was saved.
inline bool IsDoneLine(std::string_view line) { return !line.empty() && line[0] == '-'; }
// Any other line that is not empty: an address to download.
inline bool IsImageLine(std::string_view line) { return !line.empty() && !IsFolderLine(line) && !IsDoneLine(line); }

// The done mark a run puts in front of a line it saved.
constexpr char kDoneMark[] = "-";

// The folder that a folder line stands for: `saveFolder` for no line at all,
// or for a line that is only "$"; a typed folder without its "\" gets one.
std::string FolderOfLine(const std::string& line, const std::string& saveFolder);
// The same for the line as the list's control holds it, every character
// kept: the folder the files go into.
std::wstring FolderOfLine(const std::wstring& line, const std::wstring& saveFolder);

// Whether `folder` is absolute, "X:\..." or "\\server\share\...": only such a
// folder is made. A relative one would be taken from the working folder,
// which for an elevated program can be the system's own.
bool IsAbsoluteFolder(std::wstring_view folder);

// The index of the folder line that governs line `index`: the nearest line
// above it that starts with "$"; npos when there is none.
std::size_t GoverningFolderLine(const std::vector<std::string>& lines, std::size_t index);
