// The list header's sections (which fields the list page shows, in which
// order and how wide), header.dat and the ".hdr" header templates, and the
// cell widths a record button derives from the sections' percents.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "tables/field_kinds.h"

namespace quillary {

class THeaderTemplateList;

struct THeaderSection {
  QString Caption;      // a field label text
  int Width = 0;        // pixels, never negative
  int FieldIndex = -1;  // position of the caption in the label list
  int Percent = 0;      // Width of the bar's width, 0..100
};

// Width × 100 / bar width, rounded to the nearest integer with halves going
// to the even neighbour, kept within 0..100 (0 for a bar without width).
int SectionPercent(int width, int barWidth);

// Record button cells. The text area of a button of `buttonWidth` pixels with
// `cells` cells is buttonWidth − cells × gap − 8 (never below 0); a cell of
// `percent` gets percent × total / 100 of it (truncated), and nothing for a
// percent of 0 or above 100.
constexpr int kDefaultCellGap = 4;
int CellTotalWidth(int buttonWidth, int cells, int gap = kDefaultCellGap);
int CellWidth(int percent, int total);
std::vector<int> CellWidths(int buttonWidth, const std::vector<int>& percents,
                            int gap = kDefaultCellGap);

class TListHeader {
 public:
  static constexpr int kNotFound = -1;
  static constexpr const char* kHeaderFile = "header.dat";  // in SettingsDir
  static constexpr int kDefaultFirstWidth = 50;
  static constexpr int kDefaultSecondWidth = 100;
  // A section left of a resized one is never left narrower than this.
  static constexpr int kMinLeftWidth = 4;
  // Widths read from a file are kept within 0..kMaxWidth.
  static constexpr int kMaxWidth = 32767;

  // Raised by Recompute() and every user edit below; the main window then
  // rebuilds the record buttons' cells.
  std::function<void()> OnHChange;

  TListHeader() = default;
  ~TListHeader();
  TListHeader(const TListHeader&) = delete;
  TListHeader& operator=(const TListHeader&) = delete;

  const std::vector<THeaderSection>& Sections() const { return sections_; }
  int Count() const { return int(sections_.size()); }
  std::vector<int> Percents() const;
  int TotalWidth() const;  // sum of the section widths

  // The pixel width of the bar the percents are taken of.
  void SetBarWidth(int width) { barWidth_ = width < 0 ? 0 : width; }

  // Replaces the sections by the file's. A missing or damaged file keeps the
  // sections read before the damage; sections whose caption names no label
  // (or a label already shown) are dropped; when none remain, the first two
  // labels at widths 50 and 100. Percents are recomputed, nothing notified.
  // True when the whole file was read.
  bool LoadHeader(const QString& file);
  // Writes the sections; false when the file could not be written.
  bool SaveHeader(const QString& file) const;
  // SettingsDir/header.dat.
  static QString HeaderFilePath();

  void SetDefaultSections();
  // The sections are the two default columns, not read from a file.
  bool HasDefaultSections() const { return defaults_; }
  // The default columns share `width` as 50 to 100; false (and nothing
  // changed) when the sections are not the defaults or the width is none.
  bool FitDefaultSections(int width);
  // Every section's caption becomes its field's current label; widths stay.
  void RenameSections();
  // Recomputes the percents, then raises OnHChange.
  void Recompute();
  void RecomputePercents();

  // Mouse resizing: the section gets the width (at least 0) while dragging;
  // FinishResize applies the narrow-left rule, recomputes and notifies.
  void SetSectionWidth(int index, int width);
  void FinishResize(int index);

  // Reordering: the section under x is the first whose right edge lies at or
  // beyond x; right of every section it is the last one.
  int SectionAt(int x) const;
  int SectionLeft(int index) const;
  void MoveSection(int from, int to);  // recomputes and notifies
  void DropSection(int from, int x) { MoveSection(from, SectionAt(x)); }

  // Label indexes that may become a column: not already one, and neither a
  // memo nor a picture field (label i is table position i + 2).
  std::vector<int> InsertCandidates(const tables::FieldKindSets& kinds) const;
  bool CanInsert() const;
  // Adds the label as the last column and makes room for it; false when the
  // label is out of range or already a column.
  bool InsertField(int labelIndex);
  // Whether a column may be removed: never the last one.
  bool CanRemove() const { return Count() > 1; }
  bool RemoveField(const QString& caption);
  bool RemoveSection(int index);
  int FindSection(const QString& caption) const;  // ignoring case
  int FindFieldIndex(int labelIndex) const;

  // Header templates: the template list reads and writes this header's
  // sections. A header detaches itself when destroyed.
  void AttachTemplates(THeaderTemplateList& list);
  void DetachTemplates();
  THeaderTemplateList* Templates() const { return templates_; }
  // "&Save As Template": asks for a name; an existing name (or any other
  // failure to add) is refused with its message.
  void SaveAsTemplate();
  // "&Load From Template": the named template replaces the sections.
  bool LoadFromTemplate(const QString& name);
  // "&Delete Template".
  void DeleteTemplate(const QString& name);
  QStringList TemplateNames() const;

  // The label list position of a caption, ignoring case; kNotFound if none.
  static int LabelIndexOf(const QString& caption);

 private:
  void Notify();
  void ReadSections(const QString& file, bool& complete);

  std::vector<THeaderSection> sections_;
  int barWidth_ = 0;
  bool defaults_ = false;
  THeaderTemplateList* templates_ = nullptr;
};

// Texts of the header's template commands.
namespace header_text {
inline constexpr const char* kSaveCaption = "Save Header As Template";
inline constexpr const char* kSavePrompt = "Template Name:";
inline constexpr const char* kDuplicate = "Duplicate name - Template Not Saved!";
inline constexpr const char* kLoadError = "Error Loading Template.";
}  // namespace header_text

}  // namespace quillary
