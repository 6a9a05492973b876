// The letter counts behind the letter tabs: how many records of the current
// order fall under each letter "A".."Z", and the panel told when one of them
// changed. Which letter a record has comes from the sort descriptor.
#pragma once

#include <array>
#include <cstdint>

namespace quillary::tables {

using LetterCounts = std::array<int32_t, 26>;

inline bool IsTabLetter(char c) { return c >= 'A' && c <= 'Z'; }

// Whoever draws the letter tabs; told when one tab's count changed.
class LetterTabPanel {
 public:
  virtual ~LetterTabPanel() = default;
  virtual void RedrawLetter(char letter) = 0;
};

// Sets one letter's count (nothing for anything but "A".."Z") and tells the
// panel, if any.
void SetLetterCount(LetterCounts& counts, char letter, int32_t count, LetterTabPanel* panel);
// Moves one record from one letter to another (0: none) and tells the panel.
void MoveLetterCount(LetterCounts& counts, char from, char to, LetterTabPanel* panel);

}  // namespace quillary::tables
