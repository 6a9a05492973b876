// Named templates: the template lists whose ".tml" index files name content
// files in SettingsDir (filters, list headers, label sets), the process-wide
// instances of those three lists, and the record template names of records.tml.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace quillary {

struct TTemplate {
  QString Name;      // any text, compared case-sensitively
  QString FileName;  // at most 12 characters, relative to SettingsDir
  bool operator==(const TTemplate&) const = default;
};

// An ordered list of named templates. Each kind supplies its content file
// extension and how its current content is written to and read from a file.
class TTemplateList {
 public:
  static constexpr int kNotFound = -1;
  static constexpr int kMaxFileNumber = 32000;

  virtual ~TTemplateList() = default;

  // The kind's three operations.
  virtual QString Extension() const = 0;                // ".flt", ".hdr", ".lab"
  virtual bool WriteContent(const QString& path) = 0;   // true on success
  virtual bool ReadContent(const QString& path) = 0;    // true on success

  // Replaces the list by the index file's templates. Damage (a missing file
  // included) keeps the templates read before it; returns false then.
  bool LoadIndex(const QString& file);
  // Writes the index file anew; false when it could not be written.
  bool SaveIndex(const QString& file) const;

  // Saves the current content as a new template. False when the name exists,
  // no content file name is free or the content could not be written. The
  // index file is not written here.
  bool AddTemplate(const QString& name);
  int FindTemplate(const QString& name) const;  // kNotFound when absent
  // Reads the named template's content file into the current content.
  bool LoadTemplate(const QString& name);
  // Reads a content file named by a template (for callers that picked one
  // from a dialog) into the current content.
  bool LoadTemplateFile(const QString& fileName);
  // Removes the entry and deletes its content file; out of range does nothing.
  void DeleteTemplate(int index);
  TTemplate TemplateAt(int index) const;  // empty when out of range

  int Count() const { return int(templates_.size()); }
  QStringList Names() const;
  void Clear() { templates_.clear(); }

  // The first "tml" + i + extension (cut to 12 characters) that no template
  // uses; empty when none of 1..kMaxFileNumber is free.
  QString NewFileName() const;
  // Where a content file of this list lies (SettingsDir, any letter case).
  static QString ContentPath(const QString& fileName);

 private:
  std::vector<TTemplate> templates_;
};

// Label sets: the content is the option store's label list, stored in the
// format of labels.dat.
class TLabelTemplateList : public TTemplateList {
 public:
  QString Extension() const override { return ".lab"; }
  bool WriteContent(const QString& path) override;
  // Replaces the label list by the file; when the file cannot be read the
  // label list is reloaded from labels.dat and the result is false.
  bool ReadContent(const QString& path) override;
};

// A template kind whose content belongs to a subsystem above this library.
// That subsystem installs the two handlers when it starts; until then adding
// fails and loading fails, so no empty content file is ever created.
class THookedTemplateList : public TTemplateList {
 public:
  using ContentHandler = std::function<bool(const QString& path)>;
  void SetContentHandlers(ContentHandler write, ContentHandler read) {
    write_ = std::move(write);
    read_ = std::move(read);
  }
  bool WriteContent(const QString& path) override { return write_ && write_(path); }
  bool ReadContent(const QString& path) override { return read_ && read_(path); }

 private:
  ContentHandler write_, read_;
};

// Named filters; content format and handlers come from the filter subsystem.
class TFilterTemplateList : public THookedTemplateList {
 public:
  static constexpr const char* kIndexFile = "filters.tml";
  QString Extension() const override { return ".flt"; }
};

// Named list headers; content is the format of header.dat, handlers come
// from the list header.
class THeaderTemplateList : public THookedTemplateList {
 public:
  static constexpr const char* kIndexFile = "headers.tml";
  QString Extension() const override { return ".hdr"; }
};

constexpr const char* kLabelTemplateIndexFile = "labels.tml";

// The three process-wide lists, alive for the whole run.
TFilterTemplateList& FilterTemplates();
THeaderTemplateList& HeaderTemplates();
TLabelTemplateList& LabelTemplates();

// Loads filters.tml, headers.tml and labels.tml from SettingsDir (after
// login, with the user options) and writes them back (at the end of the
// run). Saving returns false when any of the three could not be written.
void LoadTemplateLists();
bool SaveTemplateLists();

// The names of the record templates, kept in records.tml (CR LF lines) in
// SettingsDir. Template k is the record at position k + 1 of the copy
// buffer table; the table itself belongs to the record store.
class TRecordTemplateList {
 public:
  static constexpr const char* kIndexFile = "records.tml";
  static constexpr const char* kBlank = "Blank";  // reserved: no template
  static constexpr int kNotFound = -1;

  // Reads records.tml; a missing file gives an empty list.
  void Load();
  // Writes records.tml; false when it could not be written.
  bool Save() const;

  int Find(const QString& name) const;  // exact, case-sensitive
  // Appends and saves. Refuses "Blank", an empty or existing name and a name
  // with a line break (it would not survive the file); when the file cannot
  // be written the name is taken back out and the result is false.
  bool Add(const QString& name);
  // Removes and saves; out of range does nothing and returns false.
  bool Delete(int index);

  int Count() const { return int(names_.size()); }
  const QStringList& Names() const { return names_; }
  static int CopyBufferPosition(int index) { return index + 1; }

 private:
  QStringList names_;
};

}  // namespace quillary
