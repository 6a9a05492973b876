// The table engine against SQLite on the same work: append 100,000 records
// shaped like a record table (record number, filter mark, 12 text fields of
// up to 254 bytes, a date, two memos, two empty pictures), then read every
// field of every record back. SQLite does its appends in one transaction, and
// once more committing each record (the durability a post of the engine has).
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
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

// Positions as in a record table.
constexpr int kTextFields[] = {2, 3, 4, 5, 6, 7, 8, 10, 12, 13, 14, 15};
constexpr int kDateField = 9, kMemo1 = 16, kMemo2 = 17, kPic1 = 11, kPic2 = 18;

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

// Deterministic values of realistic, varying lengths (some empty, some
// non-ASCII, a few at the full 254 bytes).
struct Values {
  std::string text[12];
  std::string date, memo1, memo2;
};

Values MakeValues(int i) {
  Values v;
  static const char* words[] = {"Norvane", "Quillary", "Köln", "address", "organizer", "bookmark", "Zürich",
                                "contact", "phone", "archive", "café", "internet"};
  for (int k = 0; k < 12; ++k) {
    int len = (i * 7 + k * 13) % 9 == 0 ? 254 : (i * 31 + k * 17) % 80;
    std::string s;
    while (int(s.size()) < len) {
      s += words[(i + k + s.size()) % 12];
      s += ' ';
    }
    if (int(s.size()) > len) s.resize(size_t(len));
    while (!s.empty() && (static_cast<unsigned char>(s.back()) & 0xC0) == 0x80) s.pop_back();
    while (!s.empty() && static_cast<unsigned char>(s.back()) >= 0xC0) s.pop_back();
    v.text[k] = s;
  }
  char d[16];
  std::snprintf(d, sizeof d, "%04d%02d%02d", 1990 + i % 30, 1 + i % 12, 1 + i % 28);
  v.date = d;
  v.memo1 = "Description of record " + std::to_string(i) + ": " + std::string(size_t(50 + i % 300), 'd');
  v.memo2 = i % 3 == 0 ? std::string() : "Notes line 1\r\nNotes line 2 for " + std::to_string(i);
  return v;
}

const std::vector<Values>& AllValues() {
  static const std::vector<Values> all = [] {
    std::vector<Values> v;
    v.reserve(kRecords);
    for (int i = 0; i < kRecords; ++i) v.push_back(MakeValues(i));
    return v;
  }();
  return all;
}

fs::path BenchDir() {
  static const fs::path dir = [] {
    fs::path d = fs::temp_directory_path() / ("quillary-bench-" + std::to_string(::getpid()));
    fs::create_directories(d);
    return d;
  }();
  return dir;
}

std::map<std::string, double> g_seconds;

void DbaseAppend(bool exclusive) {
  Table::Create(BenchDir(), "data.dbf", Fields(), true);
  Table t(BenchDir(), "data.dbf");
  t.SetExclusive(exclusive);
  t.Open();
  const auto& all = AllValues();
  for (int i = 0; i < kRecords; ++i) {
    const Values& v = all[size_t(i)];
    t.Append();
    t.SetNumber(0, i + 1);
    t.SetText(1, "2");
    for (int k = 0; k < 12; ++k) t.SetText(kTextFields[k], v.text[k]);
    t.SetText(kDateField, v.date);
    t.SetText(kMemo1, v.memo1);
    t.SetText(kMemo2, v.memo2);
    t.Post();
  }
  t.Close();
}

size_t DbaseRead(bool exclusive) {
  Table t(BenchDir(), "data.dbf");
  t.SetExclusive(exclusive);
  t.Open();
  size_t bytes = 0;
  int n = 0;
  for (t.First(); !t.Eof(); t.Next(), ++n) {
    bytes += size_t(t.AsNumber(0));
    for (int f = 1; f < t.FieldCount(); ++f) {
      if (f == kPic1 || f == kPic2) bytes += t.IsEmpty(f) ? 0 : 1;
      else bytes += t.AsText(f).size();
    }
  }
  if (n != kRecords) std::fprintf(stderr, "dbase read %d records\n", n);
  return bytes;
}

void Check(int rc, sqlite3* db) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
    std::abort();
  }
}

// one_transaction: every insert inside one BEGIN/COMMIT (the comparison
// the goal names). Otherwise every insert commits on its own in WAL mode
// with synchronous=NORMAL: like a post of the engine, each record is then
// with the operating system when the insert returns and survives the death
// of the process, and the log is flushed to the disk only now and then.
void SqliteAppend(bool one_transaction) {
  fs::path p = BenchDir() / "data.sqlite";
  for (const char* suffix : {"", "-journal", "-wal", "-shm"}) fs::remove(BenchDir() / (std::string("data.sqlite") + suffix));
  sqlite3* db = nullptr;
  Check(sqlite3_open(p.c_str(), &db), db);
  if (!one_transaction) {
    Check(sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr), db);
    Check(sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr), db);
  }
  std::string create = "CREATE TABLE data (recno INTEGER, mark TEXT";
  for (int k = 0; k < 12; ++k) create += ", t" + std::to_string(k) + " TEXT";
  create += ", date TEXT, descr TEXT, notes TEXT, logo BLOB, picture BLOB)";
  Check(sqlite3_exec(db, create.c_str(), nullptr, nullptr, nullptr), db);
  if (one_transaction) Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
  sqlite3_stmt* st = nullptr;
  std::string ins = "INSERT INTO data VALUES (?";
  for (int k = 1; k < 19; ++k) ins += ",?";
  ins += ")";
  Check(sqlite3_prepare_v2(db, ins.c_str(), -1, &st, nullptr), db);
  const auto& all = AllValues();
  for (int i = 0; i < kRecords; ++i) {
    const Values& v = all[size_t(i)];
    sqlite3_bind_int(st, 1, i + 1);
    sqlite3_bind_text(st, 2, "2", 1, SQLITE_STATIC);
    for (int k = 0; k < 12; ++k) sqlite3_bind_text(st, 3 + k, v.text[k].data(), int(v.text[k].size()), SQLITE_STATIC);
    sqlite3_bind_text(st, 15, v.date.data(), int(v.date.size()), SQLITE_STATIC);
    sqlite3_bind_text(st, 16, v.memo1.data(), int(v.memo1.size()), SQLITE_STATIC);
    sqlite3_bind_text(st, 17, v.memo2.data(), int(v.memo2.size()), SQLITE_STATIC);
    sqlite3_bind_null(st, 18);
    sqlite3_bind_null(st, 19);
    Check(sqlite3_step(st), db);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  if (one_transaction) Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
  sqlite3_close(db);
}

size_t SqliteRead() {
  sqlite3* db = nullptr;
  Check(sqlite3_open((BenchDir() / "data.sqlite").c_str(), &db), db);
  sqlite3_stmt* st = nullptr;
  Check(sqlite3_prepare_v2(db, "SELECT * FROM data ORDER BY rowid", -1, &st, nullptr), db);
  size_t bytes = 0;
  int n = 0;
  while (sqlite3_step(st) == SQLITE_ROW) {
    ++n;
    bytes += size_t(sqlite3_column_int(st, 0));
    for (int c = 1; c < 19; ++c) {
      if (c == 11 || c == 18) {
        bytes += sqlite3_column_bytes(st, c) ? 1 : 0;
      } else {
        const unsigned char* s = sqlite3_column_text(st, c);
        bytes += s ? std::string(reinterpret_cast<const char*>(s), size_t(sqlite3_column_bytes(st, c))).size() : 0;
      }
    }
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  if (n != kRecords) std::fprintf(stderr, "sqlite read %d records\n", n);
  return bytes;
}

template <typename F>
void Timed(benchmark::State& state, const std::string& name, F f) {
  AllValues();
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    f();
    auto t1 = std::chrono::steady_clock::now();
    g_seconds[name] = std::chrono::duration<double>(t1 - t0).count();
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * kRecords);
}

// Shared use is how the program opens its tables; exclusive use is how the
// record copy loops (repair, backup, restore) open their target.
void BM_DbaseAppendShared(benchmark::State& s) { Timed(s, "dbase append (shared)", [] { DbaseAppend(false); }); }
void BM_DbaseReadShared(benchmark::State& s) {
  Timed(s, "dbase read (shared)", [] { benchmark::DoNotOptimize(DbaseRead(false)); });
}
void BM_DbaseAppendExclusive(benchmark::State& s) {
  Timed(s, "dbase append (exclusive)", [] { DbaseAppend(true); });
}
void BM_DbaseReadExclusive(benchmark::State& s) {
  Timed(s, "dbase read (exclusive)", [] { benchmark::DoNotOptimize(DbaseRead(true)); });
}
void BM_SqliteAppend(benchmark::State& s) { Timed(s, "sqlite append", [] { SqliteAppend(true); }); }
void BM_SqliteAppendCommitEach(benchmark::State& s) {
  Timed(s, "sqlite append (commit each)", [] { SqliteAppend(false); });
}
void BM_SqliteReadAll(benchmark::State& s) { Timed(s, "sqlite read", [] { benchmark::DoNotOptimize(SqliteRead()); }); }

// Each read reads what the append before it wrote.
BENCHMARK(BM_SqliteAppendCommitEach)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SqliteAppend)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SqliteReadAll)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DbaseAppendShared)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DbaseReadShared)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DbaseAppendExclusive)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DbaseReadExclusive)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  auto ratio = [](const char* what, double a, double b) {
    if (a > 0 && b > 0) std::printf("  %-7s dbase %8.3f s   sqlite %8.3f s   dbase/sqlite %.2f\n", what, a, b, a / b);
  };
  std::printf("\n%d records shaped like a record table:\n", kRecords);
  for (const char* mode : {"shared", "exclusive"}) {
    std::string m = std::string(" (") + mode + ")";
    std::printf("dbase opened %s:\n", mode);
    double a = g_seconds["dbase append" + m], r = g_seconds["dbase read" + m];
    ratio("append", a, g_seconds["sqlite append"]);
    ratio("read", r, g_seconds["sqlite read"]);
    ratio("total", a + r, g_seconds["sqlite append"] + g_seconds["sqlite read"]);
    double each = g_seconds["sqlite append (commit each)"];
    if (a > 0 && each > 0)
      std::printf("  append against sqlite committing each record (WAL, synchronous=NORMAL) %.3f s: dbase/sqlite %.2f\n",
                  each, a / each);
  }
  std::error_code ec;
  fs::remove_all(BenchDir(), ec);
  return 0;
}
