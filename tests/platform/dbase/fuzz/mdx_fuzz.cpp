// Fuzzes the production index reader: a sound data table with tags of every
// key type, opened over an arbitrary .mdx, with the repair of an
// inconsistent index on and off, then walked and counted through each tag.
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "fuzz_support.h"
#include "platform/dbase/table.h"

using namespace quillary::dbase;
namespace fs = std::filesystem;

namespace {

const fs::path& TemplateDir() {
  static const fs::path dir = [] {
    fs::path d = fuzz::ScratchDir() / "template";
    fs::create_directories(d);
    Table::Create(d, "t.dbf", {{"RECNO", 'N', 10, 0}, {"TITLE", 'C', 20, 0}, {"DAY", 'D', 8, 0}, {"NOTE", 'M', 10, 0}});
    Table t(d, "t.dbf");
    t.SetExclusive(true);
    t.Open();
    t.AddTag("TITLE", "UPPER(TITLE)", 16);
    t.AddTag("NUM", "RECNO", 0);
    t.AddTag("DAYD", "DTOS(DAY)+UPPER(SUBSTR(TITLE, 1, 4))", 20);
    t.AddTag("MEMO", "UPPER(MLINE(NOTE, 1))", 16);
    for (int i = 1; i <= 40; ++i) {
      t.Append();
      t.SetNumber(0, i);
      t.SetText(1, std::string(1, char('a' + i % 26)) + "itle " + std::to_string(i));
      if (i % 3) t.SetText(2, "20240" + std::to_string(1 + i % 9) + "15");
      if (i % 4 == 0) t.SetText(3, "memo line " + std::to_string(i));
      t.Post();
    }
    return d;
  }();
  return dir;
}

void Walk(Table& t) {
  t.RefreshTags();
  for (int i = 0; i < t.TagCount() && i < 8; ++i) {
    t.TagName(i);
    t.TagExpression(i);
    t.TagOptions(i);
    try {
      t.SetActiveTag(t.TagName(i));
    } catch (const EngineError&) {
      continue;
    }
    int steps = 0;
    for (t.First(); !t.Eof() && steps < 60; t.Next(), ++steps) t.CurrentKey();
    t.RecordCount();
    t.Last();
    t.MoveBy(-7);
    t.MoveBy(3);
    t.FindNearest({{1, "M"}});
    t.FindKey({{0, "12"}, {1, "title"}});
    t.SetRangeStart({{1, "B"}});
    t.SetRangeEnd({{1, "K\xFF"}});
    t.ApplyRange();
    t.RecordCount();
    t.CancelRange();
  }
  t.SetActiveTag("");
  t.CheckTags();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path& tmpl = TemplateDir();
  const fs::path& dir = fuzz::ScratchDir();
  for (const char* ext : {".dbf", ".dbt", ".cpg"})
    fs::copy_file(tmpl / (std::string("t") + ext), dir / (std::string("t") + ext), fs::copy_options::overwrite_existing);
  fuzz::Put("t.mdx", data, size);
  for (bool repair : {false, true}) {
    Table t(dir, "t.dbf");
    t.SetIndexRepair(repair);
    try {
      t.Open();
      Walk(t);
    } catch (const EngineError&) {
    }
  }
  return 0;
}
