// The done marks the program made, each with the folder its image went into.
//
// A "-" the user typed, or pasted in with a list, is the user's word, and
// stays whatever folder the line falls to. A mark the program made carries
// its folder: a folder chosen later can prove it untrue, and takes it, so
// that the image is copied from the cache into the line's new folder next
// time. Platform-free: marks and folders as the list reads them.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

class ProgramMarks {
 public:
  // The program marked a line `doneLine` ("-" and the address) after it
  // copied the line's image into `folder`.
  void Made(const std::string& doneLine, const std::string& folder);
  // The lists were cleared: marks that come back with a paste are the user's.
  void Forget() { folders_.clear(); }
  // The program took its mark off the last line that read `doneLine`: a "-"
  // typed there again is the user's.
  void Drop(const std::string& doneLine) { folders_.erase(doneLine); }

  bool MadeByTheProgram(const std::string& doneLine) const { return folders_.count(doneLine) > 0; }
  // Whether the program saved the image of `doneLine` into `folder`.
  bool SavedIn(const std::string& doneLine, const std::string& folder) const;

 private:
  // The same address may stand, marked, under several folders.
  std::unordered_map<std::string, std::set<std::string>> folders_;
};

// After a folder line went in at line `folderLine` of `lines`, the caret
// having stood in a line that read `caretLineBefore`, and the save folder
// going from `previousSaveFolder` to `saveFolder`: the indexes, in order, of
// the program's marks that the choice made untrue. Those are the lines whose
// folder the choice changed (below the new folder line up to the next one,
// and, when the save folder changed, those no folder line governs: above the
// first one, or below a line that is only "$") whose image is not in the
// folder that governs them now, and both halves of a marked line the folder
// line split. A mark the user made is never among them.
std::vector<int> MarksAFolderChoiceTakes(const std::vector<std::string>& lines, std::size_t folderLine,
                                         const std::string& caretLineBefore, const std::string& saveFolder,
                                         const std::string& previousSaveFolder, const ProgramMarks& marks);
