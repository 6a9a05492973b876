// The record store on a 100,000-record database against SQLite doing the
// same work on the same rows: opening the database (catalogue, copy buffer,
// data table with its saved sort; SQLite: open and read the schema), applying
// a new two-field sort (one tag build; SQLite: CREATE INDEX on the same key)
// and counting the 26 letters (ranged counts; SQLite: 26 COUNT(*) over an
// expression index).
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <filesystem>
#include <random>
#include <string>

#include "shell/options.h"
#include "tables/database.h"

namespace {

using namespace quillary;
namespace fs = std::filesystem;

constexpr int kRecords = 100000;

std::string Title(int i) {
  static const char* words[] = {"alpha", "Bookmark", "café", "Delta", "echo", "Fjord", "golf", "Hotel", "india",
                                "Juliet", "kilo", "Lima", "mike", "November", "oscar", "Papa", "quebec", "Romeo",
                                "sierra", "Tango", "uniform", "Victor", "whiskey", "X-ray", "yankee", "Zürich",
                                "Élan", "42 answers"};
  std::mt19937 rng(uint32_t(i) * 2654435761u);
  std::string s = words[rng() % 28];
  for (int k = int(rng() % 4); k > 0; --k) s += std::string(" ") + words[rng() % 28];
  return s + " " + std::to_string(i);
}

dbase::Date DateOf(int i) {
  return dbase::Date{std::chrono::year(1990 + i % 30), std::chrono::month(unsigned(1 + i % 12)),
                     std::chrono::day(unsigned(1 + i % 28))};
}

fs::path Home() {
  static const fs::path p = fs::temp_directory_path() / ("quillary-tables-bench-" + std::to_string(::getpid()));
  return p;
}

// The database once: created through OpenDatabase, filled through a second
// table object (numbers set directly, as a restore would), sorted by title.
void Setup() {
  static bool done = false;
  if (done) return;
  done = true;
  fs::create_directories(Home() / "DATA");
  Opt().InitDirectories(QString::fromStdString(Home().string()), QUILLARY_BENCH_SHARE_DIR);
  Opt().CurrentDbDir = QString::fromStdString((Home() / "DATA").string());
  if (!tables::OpenDatabase()) std::abort();
  tables::CloseDatabase();
  {
    dbase::Table t(Home() / "DATA", "data.dbf");
    t.SetExclusive(true);
    t.Open();
    for (int i = 1; i <= kRecords; ++i) {
      t.Append();
      t.SetNumber(0, i);
      t.SetText(1, i % 3 ? "2" : "0");
      t.SetText(2, Title(i));
      t.SetText(3, "http://example.org/" + std::to_string(i));
      t.SetDate(9, DateOf(i));
      t.Post();
    }
    t.Close();
  }
  if (!tables::OpenDatabase()) std::abort();
  tables::Db().Index.Current() = tables::SortSetting{2, 0, 0, 0};
  if (!tables::Db().Index.ApplySort()) std::abort();
  tables::Db().Index.SaveSort();
}

sqlite3* g_db = nullptr;
std::string SqlPath() { return (Home() / "bench.sqlite").string(); }

void SetupSqlite() {
  static bool done = false;
  if (done) return;
  done = true;
  sqlite3* db = nullptr;
  sqlite3_open(SqlPath().c_str(), &db);
  sqlite3_exec(db,
               "PRAGMA journal_mode=WAL; CREATE TABLE data(recnum INTEGER, mark TEXT, title TEXT, address TEXT, "
               "recdate TEXT); CREATE INDEX idx0 ON data(recnum); CREATE INDEX idx2 ON "
               "data(upper(substr(title, 1, 99)));",
               nullptr, nullptr, nullptr);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* ins = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO data VALUES(?,?,?,?,?)", -1, &ins, nullptr);
  for (int i = 1; i <= kRecords; ++i) {
    dbase::Date d = DateOf(i);
    char date[16];
    std::snprintf(date, sizeof date, "%04d%02u%02u", int(d.year()), unsigned(d.month()), unsigned(d.day()));
    std::string title = Title(i), addr = "http://example.org/" + std::to_string(i);
    sqlite3_bind_int(ins, 1, i);
    sqlite3_bind_text(ins, 2, i % 3 ? "2" : "0", -1, SQLITE_STATIC);
    sqlite3_bind_text(ins, 3, title.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(ins, 4, addr.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(ins, 5, date, -1, SQLITE_TRANSIENT);
    sqlite3_step(ins);
    sqlite3_reset(ins);
  }
  sqlite3_finalize(ins);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  g_db = db;
}

// ---------------------------------------------------------------- record store

void BM_OpenDatabase(benchmark::State& state) {
  Setup();
  for (auto _ : state) {
    tables::CloseDatabase();
    if (!tables::OpenDatabase()) state.SkipWithError("open failed");
    benchmark::DoNotOptimize(tables::Db().Data.RecordCount());
  }
}
BENCHMARK(BM_OpenDatabase)->Unit(benchmark::kMillisecond);

void BM_ApplyNewTwoFieldSort(benchmark::State& state) {
  Setup();
  tables::TIndex& ix = tables::Db().Index;
  for (auto _ : state) {
    ix.Remember();
    ix.Current() = tables::SortSetting{2, 0, 9, 1};  // title, then the date descending
    if (!ix.ApplySort()) state.SkipWithError("sort failed");
    state.PauseTiming();
    // Take the tag away again so that every run builds it.
    dbase::Table& t = tables::Db().Data;
    std::string tag = t.ActiveTag();
    t.Close();
    t.SetActiveTag("");
    t.SetExclusive(true);
    t.Open();
    t.DeleteTag(tag);
    t.Close();
    t.SetExclusive(false);
    ix.Current() = tables::SortSetting{2, 0, 0, 0};
    ix.ApplySort();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ApplyNewTwoFieldSort)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CountLetters(benchmark::State& state) {
  Setup();
  tables::TIndex& ix = tables::Db().Index;
  ix.Current() = tables::SortSetting{2, 0, 0, 0};
  ix.ApplySort();
  for (auto _ : state) {
    ix.CountLetters();
    benchmark::DoNotOptimize(tables::Db().Letters);
  }
  int sum = 0;
  for (int n : tables::Db().Letters) sum += n;
  if (sum != kRecords) state.SkipWithError("letter counts do not add up");
}
BENCHMARK(BM_CountLetters)->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------- SQLite

void BM_Sqlite_OpenDatabase(benchmark::State& state) {
  SetupSqlite();
  for (auto _ : state) {
    sqlite3* db = nullptr;
    sqlite3_open(SqlPath().c_str(), &db);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM data", -1, &st, nullptr);  // reads the schema
    sqlite3_step(st);
    benchmark::DoNotOptimize(sqlite3_column_int(st, 0));
    sqlite3_finalize(st);
    sqlite3_close(db);
  }
}
BENCHMARK(BM_Sqlite_OpenDatabase)->Unit(benchmark::kMillisecond);

void BM_Sqlite_CreateTwoFieldIndex(benchmark::State& state) {
  SetupSqlite();
  for (auto _ : state) {
    sqlite3_exec(g_db, "CREATE INDEX idx3 ON data(upper(substr(title, 1, 59)), recdate DESC)", nullptr, nullptr,
                 nullptr);
    state.PauseTiming();
    sqlite3_exec(g_db, "DROP INDEX idx3", nullptr, nullptr, nullptr);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_Sqlite_CreateTwoFieldIndex)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Sqlite_CountLetters(benchmark::State& state) {
  SetupSqlite();
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(g_db,
                     "SELECT COUNT(*) FROM data WHERE upper(substr(title, 1, 99)) >= ?1 AND "
                     "upper(substr(title, 1, 99)) < ?2",
                     -1, &st, nullptr);
  for (auto _ : state) {
    int sum = 0;
    for (char l = 'Z'; l >= 'A'; --l) {
      std::string lo = l == 'A' ? std::string(1, '\x01') : std::string(1, l);
      std::string hi = l == 'Z' ? std::string(1, '\xFF') : std::string(1, char(l + 1));
      sqlite3_bind_text(st, 1, lo.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(st, 2, hi.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_step(st);
      sum += sqlite3_column_int(st, 0);
      sqlite3_reset(st);
    }
    benchmark::DoNotOptimize(sum);
  }
  sqlite3_finalize(st);
}
BENCHMARK(BM_Sqlite_CountLetters)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  tables::CloseDatabase();
  if (g_db) sqlite3_close(g_db);
  std::error_code ec;
  fs::remove_all(Home(), ec);
  return 0;
}
