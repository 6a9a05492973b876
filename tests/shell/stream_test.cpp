// Byte-level behaviour of the tagged-value stream writer and reader.
#include <gtest/gtest.h>

#include <QDir>
#include <climits>
#include <functional>

#include "shell/tagged_stream.h"
#include "support/temp_home.h"

namespace quillary {
namespace {

QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }

QByteArray IntegerBytes(int32_t v) {
  StreamWriter w;
  w.WriteInteger(v);
  return w.Bytes();
}

TEST(StreamWriter, IntegersTakeTheNarrowestTag) {
  const struct {
    int32_t value;
    const char* hex;
  } cases[] = {
      {0, "0200"},           {-1, "02ff"},          {127, "027f"},
      {-128, "0280"},        {128, "038000"},       {200, "03c800"},
      {-129, "037fff"},      {32767, "03ff7f"},     {-32768, "030080"},
      {32768, "0400800000"}, {-32769, "04ff7fffff"}, {INT32_MAX, "04ffffff7f"},
      {INT32_MIN, "0400000080"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(IntegerBytes(c.value).toHex(), QByteArray(c.hex));
    StreamReader r(Hex(c.hex));
    EXPECT_EQ(r.ReadInteger(), c.value);
    EXPECT_TRUE(r.AtEnd());
  }
}

TEST(StreamWriter, StringLengthIsUtf8ByteLength) {
  const struct {
    QString text;
    QByteArray prefixHex;
  } cases[] = {
      {"", "0600"},
      {"abc", "0603"},
      {QString(255, 'x'), "06ff"},
      {QString(256, 'x'), "0c00010000"},
      {QString(300, 'y'), "0c2c010000"},
      // 128 two-byte characters: 128 characters but 256 bytes.
      {QString(128, QChar(0xE9)), "0c00010000"},
      // 127 of them plus one ASCII byte fit a short string exactly.
      {QString(127, QChar(0xE9)) + "a", "06ff"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.size());
    StreamWriter w;
    w.WriteString(c.text);
    const QByteArray utf8 = c.text.toUtf8();
    EXPECT_EQ(w.Bytes().toHex(), (Hex(c.prefixHex) + utf8).toHex());
    StreamReader r(w.Bytes());
    EXPECT_EQ(r.ReadString(), c.text);
    EXPECT_TRUE(r.AtEnd());
  }
}

TEST(StreamWriter, ListAndRawBlocks) {
  StreamWriter w;
  w.WriteListBegin();
  w.WriteString("a");
  w.WriteRaw(Hex("deadbeef"));
  w.WriteRawUInt8(7);
  w.WriteRawInt16(-2);
  w.WriteRawInt32(0x01020304);
  w.WriteListEnd();
  EXPECT_EQ(w.Bytes().toHex(), QByteArray("01060161deadbeef07feff0403020100"));

  StreamReader r(w.Bytes());
  r.ReadListBegin();
  EXPECT_FALSE(r.EndOfList());
  EXPECT_EQ(r.ReadString(), "a");
  EXPECT_EQ(r.ReadRaw(4), Hex("deadbeef"));
  EXPECT_EQ(r.ReadRawUInt8(), 7);
  EXPECT_EQ(r.ReadRawInt16(), -2);
  EXPECT_EQ(r.ReadRawInt32(), 0x01020304);
  EXPECT_TRUE(r.EndOfList());
  r.ReadListEnd();
  EXPECT_TRUE(r.AtEnd());
}

TEST(StreamReader, AcceptsEveryTagOfTheTable) {
  // One value of each tag inside a list, as a foreign writer might produce.
  StreamWriter w;
  w.WriteListBegin();
  w.WriteRaw(Hex("0205" "03feff" "0478563412"));
  w.WriteRaw(Hex("05" "0000000000000080ff3f"));        // 1.0
  w.WriteRaw(Hex("05" "00000000000000a00140"));        // 5.0
  w.WriteRaw(Hex("0603616263"));                       // short string
  w.WriteRaw(Hex("0702696e"));                         // identifier "in"
  w.WriteRaw(Hex("08" "09"));                          // false, true
  w.WriteRaw(Hex("0a03000000010203"));                 // binary
  w.WriteRaw(Hex("0b" "0166" "03626f6c" "00"));        // set {"f", "bol"}
  w.WriteRaw(Hex("0c02000000c3a9"));                   // long string, 2 bytes
  w.WriteRaw(Hex("0d"));                               // nil
  w.WriteRaw(Hex("0e" "01" "0201" "00" "00"));         // collection of one list
  w.WriteListEnd();

  StreamReader r(w.Bytes());
  StreamValue v = r.ReadValue();
  EXPECT_TRUE(r.AtEnd());
  ASSERT_EQ(v.tag, StreamTag::ListBegin);
  ASSERT_EQ(v.items.size(), 14u);
  EXPECT_EQ(v.items[0].integer, 5);
  EXPECT_EQ(v.items[1].integer, -2);
  EXPECT_EQ(v.items[2].integer, 0x12345678);
  EXPECT_EQ(v.items[3].real, 1.0);
  EXPECT_EQ(v.items[4].real, 5.0);
  EXPECT_EQ(v.items[5].text, "abc");
  EXPECT_EQ(v.items[6].tag, StreamTag::Identifier);
  EXPECT_EQ(v.items[6].text, "in");
  EXPECT_FALSE(v.items[7].boolean);
  EXPECT_TRUE(v.items[8].boolean);
  EXPECT_EQ(v.items[9].bytes, Hex("010203"));
  EXPECT_EQ(v.items[10].names, QStringList({"f", "bol"}));
  EXPECT_EQ(v.items[11].tag, StreamTag::LongString);
  EXPECT_EQ(v.items[11].text, QString(QChar(0xE9)));
  EXPECT_EQ(v.items[12].tag, StreamTag::Nil);
  ASSERT_EQ(v.items[13].tag, StreamTag::Collection);
  ASSERT_EQ(v.items[13].items.size(), 1u);
  EXPECT_EQ(v.items[13].items[0].items[0].integer, 1);
}

TEST(StreamReader, ExtendedFloats) {
  const struct {
    QByteArray bytes;
    double value;
  } table[] = {
      {Hex("0000000000000080ff3f"), 1.0},
      {Hex("0000000000000080ffbf"), -1.0},
      {Hex("00000000000000000000"), 0.0},
      {Hex("00000000000000008000"), -0.0},
      {Hex("00000000000000800040"), 2.0},
      {Hex("00000000000000a00140"), 5.0},
      {Hex("0000000000000080fe3f"), 0.5},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.bytes.toHex().constData());
    ASSERT_EQ(c.bytes.size(), 10);
    StreamReader r(QByteArray(1, char(StreamTag::Extended)) + c.bytes);
    EXPECT_EQ(r.ReadFloat(), c.value);
  }
}

TEST(StreamReader, DamageIsAStreamError) {
  const struct {
    const char* what;
    QByteArray data;
    std::function<void(StreamReader&)> read;
  } cases[] = {
      {"empty input", {}, [](StreamReader& r) { r.ReadInteger(); }},
      {"string where an integer belongs", Hex("060161"),
       [](StreamReader& r) { r.ReadInteger(); }},
      {"integer where a string belongs", Hex("0201"), [](StreamReader& r) { r.ReadString(); }},
      {"identifier is not a string", Hex("070161"), [](StreamReader& r) { r.ReadString(); }},
      {"short string cut off", Hex("060561"), [](StreamReader& r) { r.ReadString(); }},
      {"long string length cut off", Hex("0c0100"), [](StreamReader& r) { r.ReadString(); }},
      {"long string longer than the file", Hex("0cffffff7f41"),
       [](StreamReader& r) { r.ReadString(); }},
      {"negative long string length", Hex("0cffffffff"), [](StreamReader& r) { r.ReadString(); }},
      {"int16 cut off", Hex("0301"), [](StreamReader& r) { r.ReadInteger(); }},
      {"int32 cut off", Hex("04010203"), [](StreamReader& r) { r.ReadInteger(); }},
      {"unknown tag", Hex("0f"), [](StreamReader& r) { r.ReadValue(); }},
      {"list without its end", Hex("010201"), [](StreamReader& r) { r.ReadValue(); }},
      {"end-of-list where a value belongs", Hex("00"), [](StreamReader& r) { r.ReadValue(); }},
      {"list end missing", Hex("02"), [](StreamReader& r) { r.ReadListEnd(); }},
      {"list-begin missing", Hex("00"), [](StreamReader& r) { r.ReadListBegin(); }},
      {"EndOfList at end of data", {}, [](StreamReader& r) { r.EndOfList(); }},
      {"raw block cut off", Hex("0102"), [](StreamReader& r) { r.ReadRaw(3); }},
      {"negative raw size", Hex("0102"), [](StreamReader& r) { r.ReadRaw(-1); }},
      {"binary longer than the file", Hex("0a10000000"), [](StreamReader& r) { r.ReadBinary(); }},
      {"set without its empty name", Hex("0b0161"), [](StreamReader& r) { r.ReadSet(); }},
      {"extended cut off", Hex("05000000"), [](StreamReader& r) { r.ReadFloat(); }},
      {"nesting beyond the bound", QByteArray(10000, char(1)),
       [](StreamReader& r) { r.ReadValue(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    StreamReader r(c.data);
    EXPECT_THROW(c.read(r), StreamError);
  }
}

TEST(StreamReader, NestingWithinTheBoundIsRead) {
  const int depth = StreamReader::kMaxDepth;
  QByteArray data = QByteArray(depth, char(1)) + QByteArray(depth, char(0));
  StreamReader r(data);
  StreamValue v = r.ReadValue();
  EXPECT_TRUE(r.AtEnd());
  int seen = 1;
  for (const StreamValue* p = &v; !p->items.empty(); p = &p->items[0]) ++seen;
  EXPECT_EQ(seen, depth);
}

TEST(StreamFiles, SaveAndLoadWholeFiles) {
  test::TempHome home;
  StreamWriter w;
  w.WriteListBegin();
  w.WriteString(QString(300, 'z'));
  w.WriteListEnd();
  const QString path = home.file("list.dat");
  w.SaveToFile(path);
  EXPECT_EQ(test::ReadAll(path), w.Bytes());

  // A file copied in with another letter case is found.
  ASSERT_TRUE(QFile::rename(path, home.file("LIST.DAT")));
  StreamReader r = StreamReader::FromFile(path);
  r.ReadListBegin();
  EXPECT_EQ(r.ReadString(), QString(300, 'z'));
  r.ReadListEnd();

  EXPECT_THROW(StreamReader::FromFile(home.file("missing.dat")), StreamError);
  EXPECT_THROW(w.SaveToFile(home.file("no/such/dir/x.dat")), StreamError);
}

}  // namespace
}  // namespace quillary
