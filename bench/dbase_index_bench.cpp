// Index tags against SQLite on the same 100,000 records of the record-table
// layout: building a tag on the upper-cased title (SQLite: CREATE INDEX on
// the same expression), the 26 letter-range counts, 10,000 exact key
// searches, and paging through the whole table 20 records at a time in tag
// order (SQLite: LIMIT/OFFSET over the index).
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/dbase/table.h"

namespace {

using namespace quillary::dbase;
namespace fs = std::filesystem;

// QUILLARY_BENCH_RECORDS overrides the count for reduced runs (profiling
// under valgrind); the figures quoted are of the full 100,000.
int RecordsToUse() {
  const char* env = std::getenv("QUILLARY_BENCH_RECORDS");
  int n = env ? std::atoi(env) : 0;
  return n > 0 ? n : 100000;
}
const int kRecords = RecordsToUse();
constexpr int kSeeks = 10000;
constexpr int kPage = 20;
const char* kTagExpr = "UPPER(SUBSTR(TITLE, 1, 99))";
const char* kSqlExpr = "upper(substr(t0, 1, 99))";

std::vector<FieldDef> Fields() {
  std::vector<FieldDef> f = {{"RECNO", 'N', 10, 0}, {"MARK", 'C', 1, 0}};
  for (const char* n : {"TITLE", "ADDRESS", "CAT1", "CAT2", "KEYWORDS", "EMAIL", "TYPE"}) f.push_back({n, 'C', 254, 0});
  f.push_back({"DATE", 'D', 8, 0});
  f.push_back({"PHONE", 'C', 254, 0});
  f.push_back({"LOGO", 'B', 10, 0});
  for (const char* n : {"USER1", "USER2", "USER3", "USER4"}) f.push_back({n, 'C', 254, 0});
  f.push_back({"DESCR", 'M', 10, 0});
  f.push_back({"NOTES", 'M', 10, 0});
  f.push_back({"PICTURE", 'B', 10, 0});
  return f;
}

// Titles spread over the alphabet, some starting with digits or letters
// beyond "Z", of varying length.
std::string Title(int i) {
  static const char* words[] = {"alpha", "Bookmark", "café", "Delta", "echo", "Fjord", "golf", "Hotel", "india",
                                "Juliet", "kilo", "Lima", "mike", "November", "oscar", "Papa", "quebec", "Romeo",
                                "sierra", "Tango", "uniform", "Victor", "whiskey", "X-ray", "yankee", "Zürich",
                                "Ärger", "42 answers"};
  std::mt19937 rng(uint32_t(i) * 2654435761u);
  std::string s = words[rng() % 28];
  int extra = int(rng() % 5);
  for (int k = 0; k < extra; ++k) s += std::string(" ") + words[rng() % 28];
  return s + " " + std::to_string(i);
}

fs::path Dir() {
  static const fs::path d = [] {
    fs::path p = fs::temp_directory_path() / ("quillary-index-bench-" + std::to_string(::getpid()));
    fs::create_directories(p);
    return p;
  }();
  return d;
}

void Check(int rc, sqlite3* db) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
    std::abort();
  }
}

sqlite3* g_db = nullptr;

// Both stores get the same records once; nothing of this is timed.
void Setup() {
  static bool done = false;
  if (done) return;
  done = true;
  Table::Create(Dir(), "data.dbf", Fields(), true);
  {
    Table t(Dir(), "data.dbf");
    t.Open();
    for (int i = 0; i < kRecords; ++i) {
      t.Append();
      t.SetNumber(0, i + 1);
      t.SetText(1, i % 3 ? "2" : "0");
      t.SetText(2, Title(i));
      t.SetText(3, "https://example.org/" + std::to_string(i));
      t.SetText(4, "Category " + std::to_string(i % 17));
      t.Post();
    }
  }
  fs::path p = Dir() / "data.sqlite";
  Check(sqlite3_open(p.c_str(), &g_db), g_db);
  std::string create = "CREATE TABLE data (recno INTEGER, mark TEXT";
  for (int k = 0; k < 12; ++k) create += ", t" + std::to_string(k) + " TEXT";
  create += ", date TEXT, descr TEXT, notes TEXT, logo BLOB, picture BLOB)";
  Check(sqlite3_exec(g_db, create.c_str(), nullptr, nullptr, nullptr), g_db);
  Check(sqlite3_exec(g_db, "BEGIN", nullptr, nullptr, nullptr), g_db);
  sqlite3_stmt* st = nullptr;
  Check(sqlite3_prepare_v2(g_db, "INSERT INTO data (recno, mark, t0, t1, t2) VALUES (?, ?, ?, ?, ?)", -1, &st, nullptr),
        g_db);
  for (int i = 0; i < kRecords; ++i) {
    std::string title = Title(i), addr = "https://example.org/" + std::to_string(i),
                cat = "Category " + std::to_string(i % 17);
    sqlite3_bind_int(st, 1, i + 1);
    sqlite3_bind_text(st, 2, i % 3 ? "2" : "0", 1, SQLITE_STATIC);
    sqlite3_bind_text(st, 3, title.data(), int(title.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 4, addr.data(), int(addr.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 5, cat.data(), int(cat.size()), SQLITE_TRANSIENT);
    Check(sqlite3_step(st), g_db);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  Check(sqlite3_exec(g_db, "COMMIT", nullptr, nullptr, nullptr), g_db);
}

// The later benchmarks need the tag and the SQLite index, also when the
// build benchmarks are filtered out.
void EnsureIndexes() {
  Setup();
  Table t(Dir(), "data.dbf");
  t.SetExclusive(true);
  t.Open();
  if (t.TagCount() == 0) t.AddTag("TITLE", kTagExpr, 16);
  Check(sqlite3_exec(g_db, (std::string("CREATE INDEX IF NOT EXISTS title ON data (") + kSqlExpr + ")").c_str(),
                     nullptr, nullptr, nullptr),
        g_db);
}

// ---------------------------------------------------------------- build

void BM_BuildTag_Dbase(benchmark::State& state) {
  Setup();
  Table t(Dir(), "data.dbf");
  t.SetExclusive(true);
  t.Open();
  for (auto _ : state) {
    state.PauseTiming();
    for (int i = t.TagCount() - 1; i >= 0; --i) t.DeleteTag(t.TagName(i));
    state.ResumeTiming();
    t.AddTag("TITLE", kTagExpr, 16);
  }
}

void BM_BuildTag_Sqlite(benchmark::State& state) {
  Setup();
  for (auto _ : state) {
    state.PauseTiming();
    Check(sqlite3_exec(g_db, "DROP INDEX IF EXISTS title", nullptr, nullptr, nullptr), g_db);
    state.ResumeTiming();
    Check(sqlite3_exec(g_db, (std::string("CREATE INDEX title ON data (") + kSqlExpr + ")").c_str(), nullptr, nullptr,
                       nullptr),
          g_db);
  }
}

// ---------------------------------------------------------------- 26 counts

std::pair<std::string, std::string> LetterBounds(char letter) {
  return {letter == 'A' ? "\x01" : std::string(1, letter), letter == 'Z' ? "\xFF" : std::string(1, letter) + "\xFF"};
}

void BM_LetterCounts_Dbase(benchmark::State& state) {
  EnsureIndexes();
  Table t(Dir(), "data.dbf");
  t.SetActiveTag("TITLE");
  t.Open();
  uint64_t total = 0;
  for (auto _ : state) {
    total = 0;
    for (char letter = 'Z'; letter >= 'A'; --letter) {
      auto [lo, hi] = LetterBounds(letter);
      t.SetRangeStart({{2, lo}});
      t.SetRangeEnd({{2, hi}});
      t.ApplyRange();
      total += t.RecordCount();
    }
  }
  if (total != uint64_t(kRecords)) state.SkipWithError("letter counts do not add up");
}

void BM_LetterCounts_Sqlite(benchmark::State& state) {
  EnsureIndexes();
  sqlite3_stmt* st = nullptr;
  Check(sqlite3_prepare_v2(g_db, (std::string("SELECT COUNT(*) FROM data WHERE ") + kSqlExpr + " BETWEEN ? AND ?").c_str(),
                           -1, &st, nullptr),
        g_db);
  int64_t total = 0;
  for (auto _ : state) {
    total = 0;
    for (char letter = 'Z'; letter >= 'A'; --letter) {
      auto [lo, hi] = LetterBounds(letter);
      sqlite3_bind_text(st, 1, lo.data(), int(lo.size()), SQLITE_TRANSIENT);
      sqlite3_bind_text(st, 2, hi.data(), int(hi.size()), SQLITE_TRANSIENT);
      Check(sqlite3_step(st), g_db);
      total += sqlite3_column_int64(st, 0);
      sqlite3_reset(st);
    }
  }
  sqlite3_finalize(st);
  state.counters["records"] = double(total);
}

// ---------------------------------------------------------------- seeks

std::vector<int> SeekTargets() {
  std::vector<int> v;
  std::mt19937 rng(17);
  for (int i = 0; i < kSeeks; ++i) v.push_back(int(rng() % kRecords));
  return v;
}

void BM_ExactSeeks_Dbase(benchmark::State& state) {
  EnsureIndexes();
  auto targets = SeekTargets();
  std::vector<std::string> titles;
  for (int i : targets) titles.push_back(Title(i));
  Table t(Dir(), "data.dbf");
  t.SetActiveTag("TITLE");
  t.Open();
  int found = 0;
  for (auto _ : state) {
    found = 0;
    for (const auto& title : titles) found += t.FindKey({{2, title}}) ? 1 : 0;
  }
  if (found != kSeeks) state.SkipWithError("a seek missed");
}

void BM_ExactSeeks_Sqlite(benchmark::State& state) {
  EnsureIndexes();
  auto targets = SeekTargets();
  std::vector<std::string> keys;
  for (int i : targets) {
    std::string k = Title(i);
    for (auto& c : k)
      if (c >= 'a' && c <= 'z') c = char(c - 32);
    keys.push_back(k);
  }
  sqlite3_stmt* st = nullptr;
  Check(sqlite3_prepare_v2(g_db, (std::string("SELECT * FROM data WHERE ") + kSqlExpr + " = ? LIMIT 1").c_str(), -1,
                           &st, nullptr),
        g_db);
  int found = 0;
  for (auto _ : state) {
    found = 0;
    for (const auto& k : keys) {
      sqlite3_bind_text(st, 1, k.data(), int(k.size()), SQLITE_STATIC);
      if (sqlite3_step(st) == SQLITE_ROW) ++found;
      sqlite3_reset(st);
    }
  }
  sqlite3_finalize(st);
  if (found != kSeeks) state.SkipWithError("a seek missed");
}

// ---------------------------------------------------------------- paging

void BM_PageThroughTable_Dbase(benchmark::State& state) {
  EnsureIndexes();
  Table t(Dir(), "data.dbf");
  t.SetActiveTag("TITLE");
  t.Open();
  size_t bytes = 0, rows = 0;
  for (auto _ : state) {
    bytes = rows = 0;
    for (int start = 0; start < kRecords; start += kPage) {
      // A list page: go to its position, then show its records.
      t.First();
      t.MoveBy(start);
      for (int k = 0; k < kPage && !t.Eof(); ++k) {
        bytes += t.AsText(2).size();
        ++rows;
        t.Next();
      }
    }
  }
  if (rows != size_t(kRecords)) state.SkipWithError("paging missed records");
  state.counters["bytes"] = double(bytes);
}

void BM_PageThroughTable_Sqlite(benchmark::State& state) {
  EnsureIndexes();
  sqlite3_stmt* st = nullptr;
  Check(sqlite3_prepare_v2(g_db, (std::string("SELECT t0 FROM data ORDER BY ") + kSqlExpr + " LIMIT ? OFFSET ?").c_str(),
                           -1, &st, nullptr),
        g_db);
  size_t bytes = 0, rows = 0;
  for (auto _ : state) {
    bytes = rows = 0;
    for (int start = 0; start < kRecords; start += kPage) {
      sqlite3_bind_int(st, 1, kPage);
      sqlite3_bind_int(st, 2, start);
      while (sqlite3_step(st) == SQLITE_ROW) {
        bytes += size_t(sqlite3_column_bytes(st, 0));
        ++rows;
      }
      sqlite3_reset(st);
    }
  }
  sqlite3_finalize(st);
  if (rows != size_t(kRecords)) state.SkipWithError("paging missed records");
  state.counters["bytes"] = double(bytes);
}

// ---------------------------------------------------------------- another user

// One letter count in a second user's cursor right after the first user
// changed a title (SQLite: a second connection, after the first's UPDATE).
void BM_CountAfterOtherUsersEdit_Dbase(benchmark::State& state) {
  EnsureIndexes();
  Table writer(Dir(), "data.dbf"), reader(Dir(), "data.dbf");
  writer.Open();
  reader.SetActiveTag("TITLE");
  reader.Open();
  reader.SetRangeStart({{2, "M"}});
  reader.SetRangeEnd({{2, "M\xFF"}});
  reader.ApplyRange();
  int i = 0;
  for (auto _ : state) {
    state.PauseTiming();
    writer.GotoRecNo(RecNo(1 + (i * 7919) % kRecords));
    writer.Edit();
    writer.SetText(2, (i % 2 ? "Mike " : "Zulu ") + std::to_string(i));
    writer.Post();
    ++i;
    state.ResumeTiming();
    benchmark::DoNotOptimize(reader.RecordCount());
  }
}

void BM_CountAfterOtherUsersEdit_Sqlite(benchmark::State& state) {
  EnsureIndexes();
  sqlite3* other = nullptr;
  Check(sqlite3_open((Dir() / "data.sqlite").c_str(), &other), other);
  sqlite3_stmt* upd = nullptr;
  sqlite3_stmt* cnt = nullptr;
  Check(sqlite3_prepare_v2(other, "UPDATE data SET t0 = ? WHERE rowid = ?", -1, &upd, nullptr), other);
  Check(sqlite3_prepare_v2(g_db, (std::string("SELECT COUNT(*) FROM data WHERE ") + kSqlExpr + " BETWEEN 'M' AND 'M\xFF'").c_str(),
                           -1, &cnt, nullptr),
        g_db);
  int i = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::string title = (i % 2 ? "Mike " : "Zulu ") + std::to_string(i);
    sqlite3_bind_text(upd, 1, title.data(), int(title.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int(upd, 2, 1 + (i * 7919) % kRecords);
    Check(sqlite3_step(upd), other);
    sqlite3_reset(upd);
    ++i;
    state.ResumeTiming();
    Check(sqlite3_step(cnt), g_db);
    benchmark::DoNotOptimize(sqlite3_column_int64(cnt, 0));
    sqlite3_reset(cnt);
  }
  sqlite3_finalize(upd);
  sqlite3_finalize(cnt);
  sqlite3_close(other);
}

BENCHMARK(BM_BuildTag_Dbase)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BuildTag_Sqlite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LetterCounts_Dbase)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LetterCounts_Sqlite)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ExactSeeks_Dbase)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExactSeeks_Sqlite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PageThroughTable_Dbase)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PageThroughTable_Sqlite)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_CountAfterOtherUsersEdit_Dbase)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_CountAfterOtherUsersEdit_Sqlite)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (g_db) sqlite3_close(g_db);
  std::error_code ec;
  fs::remove_all(Dir(), ec);
  return 0;
}
