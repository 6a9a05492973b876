#include "tables/letter_counts.h"

#include <cstddef>

namespace quillary::tables {

void SetLetterCount(LetterCounts& counts, char letter, int32_t count, LetterTabPanel* panel) {
  if (!IsTabLetter(letter)) return;
  counts[size_t(letter - 'A')] = count;
  if (panel) panel->RedrawLetter(letter);
}

void MoveLetterCount(LetterCounts& counts, char from, char to, LetterTabPanel* panel) {
  if (IsTabLetter(from)) {
    --counts[size_t(from - 'A')];
    if (panel) panel->RedrawLetter(from);
  }
  if (IsTabLetter(to)) {
    ++counts[size_t(to - 'A')];
    if (panel) panel->RedrawLetter(to);
  }
}

}  // namespace quillary::tables
