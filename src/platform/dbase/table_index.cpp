// The index side of the table object: opening the production index with the
// table, the tag operations, ranges and key searches on the active tag.
#include <algorithm>
#include <cstring>
#include <filesystem>

#include "platform/dbase/dbf_header.h"
#include "platform/dbase/field_codec.h"
#include "platform/dbase/mdx_index.h"
#include "platform/dbase/table.h"
#include "platform/dbase/table_impl.h"

namespace quillary::dbase {

// What the index reads of the table, straight from the open files.
class TableIndexLink : public IndexedTable {
 public:
  explicit TableIndexLink(Table& t) : t_(t) {}
  const std::vector<FieldDef>& Fields() const override { return t_.impl_->header.fields; }
  CodePage TableCodePage() const override { return t_.impl_->codepage; }
  uint16_t RecordSize() const override { return uint16_t(t_.impl_->header.record_size); }
  RecNo RecordsOnDisk() override {
    t_.impl_->RefreshFromHeader();
    return t_.impl_->count;
  }
  void ScanRecords(const std::function<void(RecNo, RecordBytes)>& fn) override {
    Table::Impl& im = *t_.impl_;
    im.RefreshFromHeader();
    const size_t rs = im.header.record_size;
    const size_t per = std::max<size_t>(1, (1u << 20) / rs);
    std::vector<uint8_t> chunk;
    for (RecNo r = 1; r <= im.count;) {
      size_t n = std::min<size_t>(per, im.count - r + 1);
      chunk.resize(n * rs);
      size_t got = im.dbf.ReadAt(im.RecordOffset(r), chunk.data(), chunk.size()) / rs;
      for (size_t i = 0; i < got; ++i) fn(RecNo(r + i), RecordBytes(chunk.data() + i * rs, rs));
      if (got < n) break;
      r += RecNo(n);
    }
  }
  std::string MemoBytes(RecordBytes record, int field) const override {
    const FieldDef& f = t_.impl_->header.fields.at(size_t(field));
    if (size_t(f.offset + f.width) > record.size() || !t_.impl_->memo.IsOpen()) return {};
    uint32_t block =
        ParseMemoRef(std::string_view(reinterpret_cast<const char*>(record.data()) + f.offset, size_t(f.width)));
    if (block == 0) return {};
    std::string data = t_.impl_->memo.Read(block);
    while (!data.empty() && data.back() == char(kEndOfFile)) data.pop_back();
    return data;
  }

 private:
  Table& t_;
};

namespace {

[[noreturn]] void NeedsExclusive(const std::string& what, const std::string& table) {
  throw DatabaseError(ErrorReason::InvalidState, what + " needs table " + table + " open exclusively");
}

}  // namespace

void Table::OpenIndex() {
  const bool flagged = impl_->header.mdx_flag != 0;
  std::filesystem::path path = CompanionPath(".mdx");
  if (!flagged) {
    if (!active_tag_.empty())
      throw DatabaseError(ErrorReason::NotFound, "table " + file_name_ + " has no index tag " + active_tag_);
    return;
  }
  std::error_code ec;
  if (!std::filesystem::exists(path, ec))
    throw DatabaseError(ErrorReason::Missing, "production index of " + file_name_ + " does not exist");
  auto link = std::make_shared<TableIndexLink>(*this);
  auto index = std::make_shared<ProductionIndex>(*link, path, impl_->dbf.ReadOnly());
  index->SetRepair(index_repair_);
  index->Open();
  if (!active_tag_.empty()) index->SetActiveTag(active_tag_);
  index_link_ = link;
  index_ = index;
  observer_ = index.get();
  order_ = active_tag_.empty() ? nullptr : index.get();
}

void Table::CloseIndex() {
  observer_ = nullptr;
  order_ = nullptr;
  index_.reset();
  index_link_.reset();
  range_start_.reset();
  range_end_.reset();
}

void Table::ApplyActiveTag() {
  if (!impl_) return;
  LeaveEdit();
  if (!index_) {
    if (!active_tag_.empty())
      throw DatabaseError(ErrorReason::NotFound, "table " + file_name_ + " has no index tag " + active_tag_);
    order_ = nullptr;
    return;
  }
  index_->SetActiveTag(active_tag_);
  order_ = active_tag_.empty() ? nullptr : index_.get();
  range_start_.reset();
  range_end_.reset();
}

ProductionIndex& Table::RequireIndex() const {
  RequireOpen();
  if (!index_) throw DatabaseError(ErrorReason::NotFound, "table " + file_name_ + " has no production index");
  return *index_;
}

ProductionIndex& Table::RequireActiveTag() const {
  ProductionIndex& index = RequireIndex();
  if (!index.HasActiveTag()) throw DatabaseError(ErrorReason::InvalidState, "no index tag is active on " + file_name_);
  return index;
}

void Table::RefreshTags() {
  RequireOpen();
  if (index_) index_->Refresh();
}

int Table::TagCount() const {
  RequireOpen();
  return index_ ? index_->TagCount() : 0;
}

std::string Table::TagName(int index) const { return RequireIndex().TagAt(index).name; }
std::string Table::TagExpression(int index) const { return RequireIndex().TagAt(index).expression; }
int Table::TagOptions(int index) const { return RequireIndex().TagAt(index).Options(); }

void Table::AddTag(const std::string& name, const std::string& expression, int options) {
  RequireWritable();
  if (!impl_->exclusive) NeedsExclusive("adding an index tag", file_name_);
  LeaveEdit();
  if (!index_) {
    std::filesystem::path path = CompanionPath(".mdx");
    std::string base = impl_->dbf_path.stem().string();
    ProductionIndex::CreateFile(path, base);
    SetProductionIndexFlag(true);
    try {
      OpenIndex();
    } catch (...) {
      CloseIndex();
      throw;
    }
  }
  index_->AddTag(name, expression, options);
}

void Table::DeleteTag(const std::string& name) {
  RequireWritable();
  if (!impl_->exclusive) NeedsExclusive("deleting an index tag", file_name_);
  ProductionIndex& index = RequireIndex();
  std::string active = active_tag_;
  bool deleting_active = !active.empty() && index.FindTag(active) == index.FindTag(name);
  index.DeleteTag(name);
  if (deleting_active) {
    active_tag_.clear();
    ApplyActiveTag();
  }
}

void Table::RebuildTags() {
  RequireWritable();
  if (!impl_->exclusive) NeedsExclusive("rebuilding the index tags", file_name_);
  LeaveEdit();
  if (index_) index_->RebuildAll();
}

void Table::SetRangeStart(KeyValues values) {
  RequireActiveTag();
  range_start_ = std::move(values);
}

void Table::SetRangeEnd(KeyValues values) {
  RequireActiveTag();
  range_end_ = std::move(values);
}

void Table::ApplyRange() {
  ProductionIndex& index = RequireActiveTag();
  LeaveEdit();
  std::optional<std::string> from, to;
  if (range_start_) from = index.KeyOfValues(*range_start_);
  if (range_end_) to = index.KeyOfValues(*range_end_);
  index.SetRange(std::move(from), std::move(to));
  First();
}

void Table::CancelRange() {
  RequireOpen();
  range_start_.reset();
  range_end_.reset();
  if (index_ && index_->HasRange()) {
    LeaveEdit();
    index_->ClearRange();
    First();
  }
}

bool Table::HasRange() const {
  RequireOpen();
  return index_ && index_->HasRange();
}

void Table::SetKeyRange(std::optional<std::string> from, std::optional<std::string> to) {
  ProductionIndex& index = RequireActiveTag();
  LeaveEdit();
  index.SetRange(std::move(from), std::move(to));
  First();
}

std::pair<std::optional<std::string>, std::optional<std::string>> Table::KeyRange() const {
  RequireOpen();
  if (!index_) return {};
  return {index_->RangeFrom(), index_->RangeTo()};
}

bool Table::FindKey(const KeyValues& values) {
  ProductionIndex& index = RequireActiveTag();
  LeaveEdit();
  auto r = index.Seek(index.KeyOfValues(values), true);
  if (!r) return false;
  GotoRecNo(*r);
  return true;
}

void Table::FindNearest(const KeyValues& values) {
  ProductionIndex& index = RequireActiveTag();
  LeaveEdit();
  auto r = index.Seek(index.KeyOfValues(values), false);
  if (r) {
    GotoRecNo(*r);
    return;
  }
  // Past the last key: the end of the table, on no record.
  recno_ = 0;
  buf_.assign(impl_->header.record_size, ' ');
  eof_ = true;
  bof_ = false;
}

std::string Table::CurrentKey() {
  ProductionIndex& index = RequireActiveTag();
  if (recno_ == 0) return {};
  return index.KeyOfRecord(RecordBytes(buf_.data(), buf_.size()));
}

std::vector<std::string> Table::CheckTags() {
  RequireOpen();
  if (!index_) {
    if (impl_->header.mdx_flag) return {"the production index file is missing"};
    return {};
  }
  return index_->Check();
}

}  // namespace quillary::dbase
