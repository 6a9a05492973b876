// Interoperation with real peers from Debian (/usr/bin/python3 with
// python3-dbfread and python3-dbf): tables written here read the same
// through dbfread; dBASE III tables written by python-dbf read, change and
// pack here and read back unchanged by both peers.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

#include "dbase_test_util.h"
#include "platform/dbase/table.h"

namespace quillary::dbase {
namespace {

using test::ScratchDir;
using namespace std::chrono;

const std::string kScripts = std::string(QUILLARY_TEST_SOURCE_DIR) + "/tests/platform/dbase/interop/";

std::string RunPython(const std::string& cmd) {
  std::string out;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  int rc = ::pclose(p);
  EXPECT_EQ(rc, 0) << cmd;
  return out;
}

QJsonObject PeerDump(const std::string& reader, const std::filesystem::path& dbf, const std::string& encoding) {
  std::string out = RunPython(test::PythonPath() + " " + kScripts + "peer_dump.py " + reader + " '" + dbf.string() + "' " +
                        encoding);
  return QJsonDocument::fromJson(QByteArray::fromStdString(out)).object();
}

std::string Hex(const std::string& s) {
  static const char* d = "0123456789abcdef";
  std::string h;
  for (unsigned char c : s) {
    h += d[c >> 4];
    h += d[c & 15];
  }
  return h;
}

// The same normalisation as peer_dump.py, through the engine.
QJsonObject EngineDump(const std::filesystem::path& dir, const std::string& name) {
  Table t(dir, name);
  t.Open();
  QJsonArray fields, records;
  for (int f = 0; f < t.FieldCount(); ++f) fields.append(QString::fromStdString(t.Field(f).name));
  for (t.First(); !t.Eof(); t.Next()) {
    QJsonArray rec;
    for (int f = 0; f < t.FieldCount(); ++f) {
      const FieldDef& fd = t.Field(f);
      if (fd.kind == FieldKind::Numeric) rec.append(t.IsEmpty(f) ? QJsonValue() : QJsonValue(t.AsNumber(f)));
      else if (fd.kind == FieldKind::LargeObject) rec.append(QString::fromStdString(Hex(t.AsBytes(f))));
      else rec.append(QString::fromStdString(t.AsText(f)));
    }
    records.append(rec);
  }
  return QJsonObject{{"fields", fields}, {"records", records}};
}

std::string Show(const QJsonObject& o) { return QJsonDocument(o).toJson(QJsonDocument::Compact).left(3000).toStdString(); }

TEST(Interop, TablesWrittenHereReadTheSameThroughDbfread) {
  ScratchDir dir;
  Table::Create(dir.path(), "ours.dbf",
                {{"ID", 'N', 8, 0}, {"NAME", 'C', 30, 0}, {"PRICE", 'N', 10, 2}, {"RATE", 'F', 14, 5},
                 {"DAY", 'D', 8, 0}, {"OK", 'L', 1, 0}, {"NOTE", 'M', 10, 0}, {"PIC", 'B', 10, 0}});
  Table t(dir.path(), "ours.dbf");
  t.Open();
  // dbfread cuts a dBASE IV value at the first 0x1F; the picture avoids it.
  std::string pic;
  for (int i = 0; i < 3000; ++i) pic += char(i % 256 == 0x1F ? 0 : i % 256);
  struct Row {
    int id;
    const char* name;
    double price, rate;
    std::optional<year_month_day> day;
    const char* ok;
    std::string note, pic;
  } rows[] = {
      {1, "Grüße aus Köln – „quoted“", 1234.5, -0.00125, year_month_day{year(2024), month(2), day(29)}, "T",
       "Zeile eins\r\nZeile zwei: Привет, 日本語", pic},
      {2, "", 0, 0, std::nullopt, "", "", ""},
      {3, "plain", -99.99, 123456.78901, year_month_day{year(1900), month(1), day(1)}, "F",
       std::string(5000, 'z') + "€", "\x01\x02\x03"},
      {4, "to be deleted", 1, 1, std::nullopt, "T", "gone", ""},
      {5, "last ☃", 0.01, 1e-5, year_month_day{year(2099), month(12), day(31)}, "T", "x", ""},
  };
  for (const auto& r : rows) {
    t.Append();
    t.SetNumber(0, r.id);
    t.SetText(1, r.name);
    if (r.id != 2) {
      t.SetNumber(2, r.price);
      t.SetNumber(3, r.rate);
    }
    t.SetDate(4, r.day);
    t.SetText(5, r.ok);
    t.SetText(6, r.note);
    t.SetBytes(7, r.pic);
    t.Post();
  }
  t.GotoRecNo(4);
  t.Delete();
  t.Close();
  QJsonObject ours = EngineDump(dir.path(), "ours.dbf");
  ASSERT_EQ(ours["records"].toArray().size(), 4);
  QJsonObject theirs = PeerDump("dbfread", dir / "ours.dbf", "utf-8");
  EXPECT_EQ(ours, theirs) << Show(ours) << "\n" << Show(theirs);
}

TEST(Interop, DBase3TablesFromPythonDbfReadChangeAndPackHere) {
  ScratchDir dir;
  RunPython(test::PythonPath() + " " + kScripts + "write_db3.py '" + (dir / "peer.dbf").string() + "'");
  QJsonObject by_dbf = PeerDump("dbf", dir / "peer.dbf", "cp1252");
  QJsonObject by_dbfread = PeerDump("dbfread", dir / "peer.dbf", "cp1252");
  ASSERT_EQ(by_dbf["records"].toArray().size(), 4);
  ASSERT_EQ(by_dbf, by_dbfread);
  EXPECT_EQ(EngineDump(dir.path(), "peer.dbf"), by_dbf) << Show(EngineDump(dir.path(), "peer.dbf"));
  {
    Table t(dir.path(), "PEER.DBF");
    t.Open();
    EXPECT_EQ(t.Version(), 0x83);
    EXPECT_EQ(t.TableCodePage(), CodePage::Windows1252);
    EXPECT_EQ(t.RecordCount(), 4u);
    EXPECT_EQ(t.PhysicalRecordCount(), 6u);
    EXPECT_EQ(t.AsText(0), "Müller €uro");
    EXPECT_EQ(t.AsText(4), "Erste Zeile\r\nzweite Zeile mit ß");
    t.Append();
    EXPECT_THROW(t.SetText(0, "Ωmega"), ValueError);
    t.SetText(0, "Neu hier: Œ");
    t.SetNumber(1, 7.25);
    t.SetText(2, "20230615");
    t.SetText(3, "F");
    t.SetText(4, std::string(1500, 'q') + "ä");
    t.Post();
    {
      // Written in the file's own dialect: dBASE III memo text ended by two
      // 0x1A bytes, with no dBASE IV block header.
      const FieldDef& memo = t.Field(4);
      std::string ref(reinterpret_cast<const char*>(t.CurrentRecordBytes().data()) + memo.offset, size_t(memo.width));
      size_t block = std::stoul(ref);
      std::string dbt = test::ReadFile(dir / "peer.dbt");
      ASSERT_GE(dbt.size(), block * 512 + 1503);
      EXPECT_EQ(dbt.substr(block * 512, 1503), std::string(1500, 'q') + "\xe4\x1a\x1a");
    }
    t.First();
    t.Edit();
    t.SetText(4, "ersetzt");
    t.Post();
  }
  QJsonObject before_pack = EngineDump(dir.path(), "peer.dbf");
  {
    Table t(dir.path(), "peer.dbf");
    t.SetExclusive(true);
    t.Open();
    t.Pack();
    EXPECT_EQ(t.PhysicalRecordCount(), 5u);
    EXPECT_EQ(t.Version(), 0x83);
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "peer.cpg"));
  QJsonObject after = EngineDump(dir.path(), "peer.dbf");
  EXPECT_EQ(after, before_pack);
  EXPECT_EQ(PeerDump("dbf", dir / "peer.dbf", "cp1252"), after) << Show(PeerDump("dbf", dir / "peer.dbf", "cp1252"));
  EXPECT_EQ(PeerDump("dbfread", dir / "peer.dbf", "cp1252"), after);
  // The untouched records are what python-dbf wrote.
  QJsonArray orig = by_dbf["records"].toArray(), now = after["records"].toArray();
  for (int i = 1; i < 4; ++i) EXPECT_EQ(orig[i], now[i]) << i;
}

}  // namespace
}  // namespace quillary::dbase
