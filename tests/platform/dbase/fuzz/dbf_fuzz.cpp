// Fuzzes the data file reader: header, descriptors, records and every field
// decoder, plus the structural check, over an arbitrary .dbf.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "platform/dbase/table.h"
#include "platform/dbase/table_check.h"

using namespace quillary::dbase;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Put("t.dbf", data, size);
  std::filesystem::remove(fuzz::ScratchDir() / "t.dbt");
  try {
    CheckTable(fuzz::ScratchDir(), "t.dbf", 10);
  } catch (const EngineError&) {
  }
  Table t(fuzz::ScratchDir(), "t.dbf");
  try {
    t.Open();
  } catch (const EngineError&) {
    return 0;
  }
  try {
    int steps = 0;
    for (t.First(); !t.Eof() && steps < 200; t.Next(), ++steps) {
      for (int f = 0; f < t.FieldCount(); ++f) {
        try {
          t.IsEmpty(f);
          t.AsText(f);
          if (t.Field(f).kind == FieldKind::Numeric) t.AsNumber(f);
          if (t.Field(f).kind == FieldKind::Date) t.AsDate(f);
        } catch (const ValueError&) {
        }
      }
    }
    t.RecordCount();
    t.Last();
    t.MoveBy(-3);
  } catch (const EngineError&) {
  }
  return 0;
}
