// Fuzzes the memo file reader: a sound data file whose memo and blob fields
// point at blocks 1 to 4 of an arbitrary .dbt, in both memo dialects.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "platform/dbase/table.h"
#include "platform/dbase/table_check.h"

using namespace quillary::dbase;

namespace {
// A dBASE IV (0x8B) or III (0x83) data file with a memo and a blob field;
// record i refers to block i.
std::string DataFile(uint8_t version) {
  const int records = 4;
  std::string h(32, '\0');
  h[0] = char(version);
  h[1] = 124; h[2] = 1; h[3] = 1;
  h[4] = char(records);
  const uint16_t header = 32 + 2 * 32 + 1, rec = 1 + 10 + 10;
  h[8] = char(header & 0xFF); h[9] = char(header >> 8);
  h[10] = char(rec); h[11] = 0;
  auto desc = [](const char* name, char type) {
    std::string d(32, '\0');
    d.replace(0, std::string(name).size(), name);
    d[11] = type;
    d[16] = 10;
    return d;
  };
  h += desc("NOTE", 'M');
  h += desc("PIC", version == 0x83 ? 'M' : 'B');
  h += '\x0D';
  for (int i = 1; i <= records; ++i) {
    std::string ref = "         " + std::to_string(i);
    h += ' ' + ref + ref;
  }
  h += '\x1A';
  return h;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  fuzz::Put("t.dbf", DataFile((data[0] & 1) ? 0x83 : 0x8B));
  fuzz::Put("t.dbt", data + 1, size - 1);
  try {
    CheckTable(fuzz::ScratchDir(), "t.dbf", 10);
  } catch (const EngineError&) {
  }
  Table t(fuzz::ScratchDir(), "t.dbf");
  try {
    t.Open();
    for (t.First(); !t.Eof(); t.Next()) {
      for (int f = 0; f < 2; ++f) {
        try {
          t.IsEmpty(f);
          t.AsText(f);
          t.AsBytes(f);
        } catch (const ValueError&) {
        }
      }
    }
  } catch (const EngineError&) {
  }
  return 0;
}
