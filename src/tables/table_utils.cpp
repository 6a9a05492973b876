#include "tables/table_utils.h"

#include <algorithm>

#include "shell/event_pump.h"
#include "shell/messages.h"
#include "shell/progress.h"
#include "tables/database.h"
#include "tables/exclusive_use.h"
#include "tables/field_kinds.h"

namespace quillary::tables {

CopyResult CopyRecords(dbase::Table& source, dbase::Table& target) {
  CopyResult r;
  ProgressWindow* progress = ShowingProgress();
  if (progress) {
    progress->SetMaximum(int(RecordCount(source)));
    progress->Reset();
  }
  source.First();
  const int fields = std::min(source.FieldCount(), target.FieldCount());
  while (!source.Eof()) {
    bool damaged = false;
    try {
      target.Append();
      for (int f = 0; f < fields; ++f) {
        try {
          target.CopyField(f, source, f);
        } catch (const dbase::EngineError&) {
          damaged = true;  // the rest of the record is still worth keeping
        }
      }
      target.SetNumber(kRecordNumberField, r.nextNumber);
      target.Post();
      ++r.nextNumber;
    } catch (const dbase::EngineError&) {
      try {
        target.Cancel();
      } catch (const dbase::EngineError&) {
        // Cancelling only drops the edit buffer: the record counts as damaged.
      }
      damaged = true;
    }
    if (damaged) ++r.damaged;
    try {
      source.Next();
    } catch (const dbase::EngineError&) {
      break;  // the source cannot be read any further
    }
    if (progress) progress->Step();
    PumpEvents();
  }
  target.Close();
  return r;
}

namespace {

// Opens the table exclusively in its own directory with no tag, runs `work`
// and puts the table back as it was. False with the exclusive-use message
// when it could not be opened.
template <typename Work>
bool WithExclusiveTable(dbase::Table& t, Work work) {
  ExclusiveUse use(t);
  if (!use.OpenRetrying()) {
    RestoreNormalCursor();
    Msg().Error(text::kExclusiveFailed);
    return false;
  }
  try {
    work();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

bool PackTable(dbase::Table& t, bool regenerate) {
  return WithExclusiveTable(t, [&] {
    t.Pack();
    if (regenerate) t.RebuildTags();
  });
}

bool RegenerateIndexes(dbase::Table& t) {
  if (t.IsOpen()) {
    try {
      t.RefreshTags();
    } catch (const dbase::EngineError&) {
      // The rebuild below reads the tag list itself.
    }
  }
  return WithExclusiveTable(t, [&] { t.RebuildTags(); });
}

bool EmptyTable(dbase::Table& t) {
  ExclusiveUse use(t);
  try {
    use.Open();
    t.Empty();
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void DeleteTableQuietly(dbase::Table& t) {
  try {
    t.Close();
    dbase::DeleteTable(t.Directory(), t.FileName());
  } catch (const std::exception&) {
    // Quiet by contract: a table that is gone already or held by someone
    // else is simply left.
  }
}

uint64_t RecordCount(dbase::Table& t) {
  if (!t.IsOpen()) return 0;
  try {
    return t.RecordCount();
  } catch (const dbase::EngineError&) {
    return 0;
  }
}

bool GotoPosition(dbase::Table& t, uint64_t n) {
  if (!t.IsOpen()) return false;
  if (n < RecordCount(t) + 1) {
    t.First();
    if (n > 0) t.MoveBy(int(n));
  } else {
    t.Last();
    t.Next();
  }
  return true;
}

}  // namespace quillary::tables
