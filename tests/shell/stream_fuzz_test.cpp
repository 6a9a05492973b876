// A time-bounded mutation fuzz run of the tagged-value stream reader, built
// with AddressSanitizer and UndefinedBehaviorSanitizer: every input either
// reads or raises StreamError, nothing else. Also a random round trip of the
// writer. QUILLARY_FUZZ_SECONDS (default 20) and QUILLARY_FUZZ_SEED replay a run.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>

#include "shell/tagged_stream.h"

// The reader owns no memory by hand, and leak checking needs ptrace, which
// some build machines refuse.
extern "C" const char* __asan_default_options() { return "detect_leaks=0"; }

namespace quillary {
namespace {

int FuzzSeconds() {
  bool ok = false;
  const int s = qEnvironmentVariableIntValue("QUILLARY_FUZZ_SECONDS", &ok);
  return ok && s >= 0 ? s : 20;
}

uint32_t FuzzSeed() {
  bool ok = false;
  const uint32_t s = qEnvironmentVariable("QUILLARY_FUZZ_SEED").toUInt(&ok);
  return ok ? s : std::random_device{}();
}

// Valid streams of the shapes the program's loaders expect, as mutation seeds.
std::vector<QByteArray> Seeds() {
  std::vector<QByteArray> seeds;
  StreamWriter index;
  index.WriteListBegin();
  for (int i = 0; i < 3; ++i) {
    index.WriteString(QString("Template %1").arg(i));
    index.WriteString(QString("tml%1.flt").arg(i + 1));
  }
  index.WriteListEnd();
  seeds.push_back(index.Bytes());

  StreamWriter log;
  log.WriteListBegin();
  log.WriteString("12/10/2026");
  log.WriteString("10:20:51");
  log.WriteString("data.dbf");
  log.WriteString(QString(300, 'd'));
  log.WriteListEnd();
  seeds.push_back(log.Bytes());

  StreamWriter mixed;
  mixed.WriteInteger(200);
  mixed.WriteInteger(-1);
  mixed.WriteInteger(100000);
  mixed.WriteRawInt32(264);
  mixed.WriteRaw(QByteArray(16, 'r'));
  mixed.WriteListBegin();
  mixed.WriteListBegin();
  mixed.WriteListEnd();
  mixed.WriteListEnd();
  seeds.push_back(mixed.Bytes());

  // Every tag of the table once, inside a list.
  seeds.push_back(QByteArray::fromHex(
      "01" "0205" "03feff" "0478563412" "050000000000000080ff3f" "0603616263"
      "0702696e" "0809" "0a03000000010203" "0b016603626f6c00" "0c02000000c3a9"
      "0d" "0e0102010000" "00"));
  return seeds;
}

// Reads as the loaders do; returns normally or throws.
void Consume(const QByteArray& data, std::mt19937& rng) {
  {
    StreamReader r(data);
    while (!r.AtEnd()) r.ReadValue();
  }
  try {
    StreamReader r(data);
    r.ReadListBegin();
    while (!r.EndOfList()) {
      r.ReadString();
      r.ReadString();
    }
    r.ReadListEnd();
  } catch (const StreamError&) {
  }
  // Typed reads in a random order, as definition-file loaders mix them.
  StreamReader r(data);
  for (int step = 0; step < 64 && !r.AtEnd(); ++step) {
    switch (rng() % 11) {
      case 0: r.ReadInteger(); break;
      case 1: r.ReadString(); break;
      case 2: r.ReadRaw(qsizetype(rng() % 300) - 2); break;
      case 3: r.ReadBoolean(); break;
      case 4: r.ReadFloat(); break;
      case 5: r.ReadSet(); break;
      case 6: r.ReadBinary(); break;
      case 7: r.ReadIdent(); break;
      case 8: if (r.EndOfList()) r.ReadListEnd(); else r.ReadListBegin(); break;
      case 9: r.ReadRawInt32(); break;
      default: r.SkipValue(); break;
    }
  }
}

QByteArray Mutate(QByteArray d, const std::vector<QByteArray>& seeds, std::mt19937& rng) {
  const int edits = 1 + int(rng() % 4);
  for (int e = 0; e < edits; ++e) {
    const qsizetype n = d.size();
    const qsizetype at = n ? qsizetype(rng() % n) : 0;
    switch (rng() % 8) {
      case 0: if (n) d[at] = char(d[at] ^ (1 << (rng() % 8))); break;
      case 1: if (n) d[at] = char(rng()); break;
      case 2: d.insert(at, char(rng() % 16)); break;  // likely a tag
      case 3: if (n) d.remove(at, 1 + qsizetype(rng() % 4)); break;
      case 4: d.truncate(at); break;
      case 5: {  // an interesting length or integer
        static const uint8_t kBytes[] = {0x00, 0x01, 0x7f, 0x80, 0xff, 0xfe};
        if (n) d[at] = char(kBytes[rng() % sizeof kBytes]);
        break;
      }
      case 6: {  // splice in part of another seed
        const QByteArray& s = seeds[rng() % seeds.size()];
        d.insert(at, s.mid(qsizetype(rng() % (s.size() + 1)), qsizetype(rng() % 32)));
        break;
      }
      default: d.append(QByteArray(1 + rng() % 8, char(rng()))); break;
    }
  }
  return d;
}

TEST(StreamFuzz, ReaderOnlyEverRaisesStreamError) {
  const uint32_t seed = FuzzSeed();
  std::printf("stream fuzz seed %u, %d s\n", seed, FuzzSeconds());
  std::mt19937 rng(seed);
  const std::vector<QByteArray> seeds = Seeds();
  std::vector<QByteArray> corpus = seeds;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(FuzzSeconds());
  long runs = 0;
  do {
    QByteArray input;
    if (rng() % 8 == 0) {
      input.resize(qsizetype(rng() % 64));
      for (char& c : input) c = char(rng() % 20);
    } else {
      input = Mutate(corpus[rng() % corpus.size()], seeds, rng);
    }
    bool parsedWhole = false;
    try {
      Consume(input, rng);
      parsedWhole = true;
    } catch (const StreamError&) {
    } catch (const std::exception& e) {
      FAIL() << "seed " << seed << " run " << runs << ": " << e.what() << "\ninput "
             << input.toHex().constData();
    }
    // Inputs that still parse are the most useful to mutate further.
    if (parsedWhole) {
      if (corpus.size() < 4096) corpus.push_back(input);
      else corpus[seeds.size() + rng() % (corpus.size() - seeds.size())] = input;
    }
    ++runs;
  } while (std::chrono::steady_clock::now() < deadline);
  std::printf("stream fuzz: %ld inputs, corpus %zu\n", runs, corpus.size());
}

TEST(StreamFuzz, RandomValuesRoundTrip) {
  const uint32_t seed = FuzzSeed();
  std::mt19937 rng(seed);
  for (int run = 0; run < 2000; ++run) {
    std::vector<int32_t> ints;
    std::vector<QString> texts;
    StreamWriter w;
    w.WriteListBegin();
    const int count = int(rng() % 20);
    for (int i = 0; i < count; ++i) {
      const int32_t v = int32_t(rng()) >> (rng() % 32);
      ints.push_back(v);
      w.WriteInteger(v);
      QString t;
      const int len = int(rng() % 400);
      for (int k = 0; k < len; ++k) t += QChar(char16_t(0x20 + rng() % 0x700));
      texts.push_back(t);
      w.WriteString(t);
    }
    w.WriteListEnd();
    StreamReader r(w.Bytes());
    r.ReadListBegin();
    for (int i = 0; i < count; ++i) {
      ASSERT_EQ(r.ReadInteger(), ints[i]) << "seed " << seed;
      ASSERT_EQ(r.ReadString(), texts[i]) << "seed " << seed;
    }
    ASSERT_TRUE(r.EndOfList());
    r.ReadListEnd();
    ASSERT_TRUE(r.AtEnd());
  }
}

}  // namespace
}  // namespace quillary
