#include "shell/templates.h"

#include <QFile>
#include <QSaveFile>
#include <QSet>

#include "shell/options.h"
#include "shell/tagged_stream.h"

namespace quillary {
namespace {

// Text files of CR LF lines in UTF-8, the format of labels.dat and records.tml.
bool ReadTextLines(const QString& path, QStringList& lines) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return false;
  QString text = QString::fromUtf8(f.readAll());
  if (f.error() != QFileDevice::NoError) return false;
  text.replace("\r\n", "\n");
  lines = text.split('\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return true;
}

bool WriteTextLines(const QString& path, const QStringList& lines) {
  QByteArray data;
  for (const QString& line : lines) data += line.toUtf8() + "\r\n";
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size()) return false;
  return f.commit();
}

// A content file name read from an index must name a file in SettingsDir
// and nothing else: deleting a template deletes that file.
bool IsPlainFileName(const QString& name) {
  return !name.isEmpty() && name != "." && name != ".." && !name.contains('/') &&
         !name.contains('\\') && !name.contains(QChar(0));
}

}  // namespace

// ---------------------------------------------------------- TTemplateList

bool TTemplateList::LoadIndex(const QString& file) {
  templates_.clear();
  try {
    StreamReader r = StreamReader::FromFile(file);
    r.ReadListBegin();
    while (!r.EndOfList()) {
      TTemplate t;
      t.Name = r.ReadString();
      t.FileName = r.ReadString();
      if (!IsPlainFileName(t.FileName)) throw StreamError("content file name is a path");
      templates_.push_back(std::move(t));
    }
    r.ReadListEnd();
    return true;
  } catch (const StreamError&) {
    return false;
  }
}

bool TTemplateList::SaveIndex(const QString& file) const {
  StreamWriter w;
  w.WriteListBegin();
  for (const TTemplate& t : templates_) {
    w.WriteString(t.Name);
    w.WriteString(t.FileName);
  }
  w.WriteListEnd();
  try {
    w.SaveToFile(file);
    return true;
  } catch (const StreamError&) {
    return false;
  }
}

QString TTemplateList::NewFileName() const {
  QSet<QString> used;
  for (const TTemplate& t : templates_) used.insert(t.FileName);
  const QString ext = Extension();
  for (int i = 1; i <= kMaxFileNumber; ++i) {
    const QString candidate = ("tml" + QString::number(i) + ext).left(12);
    if (!used.contains(candidate)) return candidate;
  }
  return {};
}

QString TTemplateList::ContentPath(const QString& fileName) {
  return Opt().SettingsFile(fileName);
}

bool TTemplateList::AddTemplate(const QString& name) {
  if (FindTemplate(name) != kNotFound) return false;
  const QString fileName = NewFileName();
  if (fileName.isEmpty()) return false;
  if (!WriteContent(ContentPath(fileName))) return false;
  templates_.push_back({name, fileName});
  return true;
}

int TTemplateList::FindTemplate(const QString& name) const {
  for (size_t i = 0; i < templates_.size(); ++i)
    if (templates_[i].Name == name) return int(i);
  return kNotFound;
}

bool TTemplateList::LoadTemplate(const QString& name) {
  const int i = FindTemplate(name);
  if (i == kNotFound) return false;
  return LoadTemplateFile(templates_[size_t(i)].FileName);
}

bool TTemplateList::LoadTemplateFile(const QString& fileName) {
  if (!IsPlainFileName(fileName)) return false;
  const QString path = ContentPath(fileName);
  if (!QFile::exists(path)) return false;
  return ReadContent(path);
}

void TTemplateList::DeleteTemplate(int index) {
  if (index < 0 || index >= Count()) return;
  const QString fileName = templates_[size_t(index)].FileName;
  templates_.erase(templates_.begin() + index);
  // An index edited by hand may name one file twice; the other entry keeps it.
  for (const TTemplate& t : templates_)
    if (t.FileName == fileName) return;
  QFile::remove(ContentPath(fileName));
}

TTemplate TTemplateList::TemplateAt(int index) const {
  if (index < 0 || index >= Count()) return {};
  return templates_[size_t(index)];
}

QStringList TTemplateList::Names() const {
  QStringList out;
  for (const TTemplate& t : templates_) out << t.Name;
  return out;
}

// ----------------------------------------------------- TLabelTemplateList

bool TLabelTemplateList::WriteContent(const QString& path) {
  return WriteTextLines(path, Opt().LabelList);
}

bool TLabelTemplateList::ReadContent(const QString& path) {
  Opt().LabelList.clear();
  QStringList lines;
  if (ReadTextLines(path, lines)) {
    Opt().LabelList = lines;
    return true;
  }
  Opt().LoadLabels();
  return false;
}

// ------------------------------------------------------ process-wide lists

TFilterTemplateList& FilterTemplates() {
  static TFilterTemplateList list;
  return list;
}

THeaderTemplateList& HeaderTemplates() {
  static THeaderTemplateList list;
  return list;
}

TLabelTemplateList& LabelTemplates() {
  static TLabelTemplateList list;
  return list;
}

void LoadTemplateLists() {
  FilterTemplates().LoadIndex(Opt().SettingsFile(TFilterTemplateList::kIndexFile));
  HeaderTemplates().LoadIndex(Opt().SettingsFile(THeaderTemplateList::kIndexFile));
  LabelTemplates().LoadIndex(Opt().SettingsFile(kLabelTemplateIndexFile));
}

bool SaveTemplateLists() {
  bool ok = FilterTemplates().SaveIndex(Opt().SettingsFile(TFilterTemplateList::kIndexFile));
  ok &= HeaderTemplates().SaveIndex(Opt().SettingsFile(THeaderTemplateList::kIndexFile));
  ok &= LabelTemplates().SaveIndex(Opt().SettingsFile(kLabelTemplateIndexFile));
  return ok;
}

// ---------------------------------------------------- TRecordTemplateList

void TRecordTemplateList::Load() {
  names_.clear();
  QStringList lines;
  if (ReadTextLines(Opt().SettingsFile(kIndexFile), lines)) names_ = lines;
}

bool TRecordTemplateList::Save() const {
  return WriteTextLines(Opt().SettingsFile(kIndexFile), names_);
}

int TRecordTemplateList::Find(const QString& name) const {
  const int i = int(names_.indexOf(name));
  return i < 0 ? kNotFound : i;
}

bool TRecordTemplateList::Add(const QString& name) {
  if (name.isEmpty() || name == kBlank || Find(name) != kNotFound ||
      name.contains('\r') || name.contains('\n'))
    return false;
  names_.append(name);
  if (Save()) return true;
  names_.removeLast();
  return false;
}

bool TRecordTemplateList::Delete(int index) {
  if (index < 0 || index >= Count()) return false;
  names_.removeAt(index);
  return Save();
}

}  // namespace quillary
