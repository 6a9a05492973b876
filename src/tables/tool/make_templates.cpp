// Builds the shipped template tables (data, master and list, each with its
// production index) into the directory given on the command line. Run by the
// build, so no binary table lives in the source tree.
#include <filesystem>
#include <iostream>

#include "platform/dbase/table.h"
#include "tables/template_layout.h"

namespace fs = std::filesystem;
using namespace quillary;

namespace {

struct TagSpec {
  const char* name;
  const char* expression;
  int options;
};

void Make(const fs::path& dir, const std::string& name, const std::vector<dbase::FieldDef>& fields,
          const std::vector<TagSpec>& tags) {
  // A fresh build from nothing: stale companions of an older layout must go.
  if (dbase::TableExists(dir, name)) dbase::DeleteTable(dir, name);
  dbase::Table::Create(dir, name, fields);
  dbase::Table t(dir, name);
  t.SetExclusive(true);
  t.Open();
  for (const TagSpec& tag : tags) t.AddTag(tag.name, tag.expression, tag.options);
  t.Close();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_templates OUTPUT_DIR\n";
    return 2;
  }
  fs::path dir = argv[1];
  try {
    fs::create_directories(dir);
    Make(dir, "data.dbf", tables::RecordTableFields(),
         {{"IDX0", tables::kEntryOrderExpression, tables::kEntryOrderOptions},
          {"IDX1", tables::kFilteredEntryOrderExpression, tables::kEntryOrderOptions}});
    Make(dir, "master.dbf", tables::CatalogueFields(), {{"IDX0", tables::kCatalogueExpression, 0}});
    Make(dir, "list.dbf", tables::ListFields(), {{"IDX", tables::kListExpression, 16}});
  } catch (const std::exception& e) {
    std::cerr << "make_templates: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
