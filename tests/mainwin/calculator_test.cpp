// The number editor's calculator: operations in sequence, percent after the
// operators, the error state and the display format.
#include <gtest/gtest.h>

#include "mainwin/calculator.h"

namespace quillary {
namespace {

QString Keys(double start, const char* keys) {
  Calculator c(start);
  for (const char* k = keys; *k; ++k) c.Press(QChar(*k));
  return c.Display();
}

TEST(CalculatorTest, Sequences) {
  const struct { double start; const char* keys; const char* display; } cases[] = {
      {0, "12+3=", "15"},
      {0, "12+3*2=", "30"},  // left to right, as a pocket calculator
      {0, "200*10%", "0.1"},
      {0, "200*10%=", "20"},
      {0, "200+10%", "20"},
      {0, "200+10%=", "220"},
      {0, "200-10%=", "180"},
      {0, "50/25%=", "200"},
      {0, "1/3=", "0.3333333333"},
      {0, "2.50*2=", "5"},
      {0, "123B", "12"},
      {0, "5S", "-5"},
      {0, "5S+2=", "-3"},
      {0, "7++2=", "9"},
      {42.5, "", "42.5"},
      {42.5, "*2=", "85"},
      {42.5, "1", "1"},  // the first digit replaces the start value
      {0, "1..5=", "1.5"},
      {0, "3=4+1=", "5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys);
    EXPECT_EQ(Keys(c.start, c.keys), c.display);
  }
}

TEST(CalculatorTest, ErrorAcceptsOnlyClear) {
  Calculator c;
  for (QChar k : QString("8/0=")) c.Press(k);
  EXPECT_TRUE(c.IsError());
  EXPECT_EQ(c.Display(), "Error");
  for (QChar k : QString("12+=.%BS")) EXPECT_FALSE(c.Press(k));
  EXPECT_EQ(c.Display(), "Error");
  EXPECT_TRUE(c.Press('C'));
  EXPECT_FALSE(c.IsError());
  EXPECT_EQ(c.Display(), "0");
  for (QChar k : QString("2+2=")) c.Press(k);
  EXPECT_EQ(c.Display(), "4");
}

TEST(CalculatorTest, ResultTooLongIsAnError) {
  Calculator c;
  for (QChar k : QString("1234567890*1000000000=")) c.Press(k);
  EXPECT_EQ(c.Display(), "1234567890000000000");
  c.Press('C');
  for (QChar k : QString("99999999999*99999999999=")) c.Press(k);
  EXPECT_TRUE(c.IsError());
}

TEST(CalculatorTest, Format) {
  EXPECT_EQ(Calculator::Format(1.5), "1.5");
  EXPECT_EQ(Calculator::Format(-0.0), "0");
  EXPECT_EQ(Calculator::Format(2.0 / 3), "0.6666666667");
  EXPECT_EQ(Calculator::Format(100), "100");
}

}  // namespace
}  // namespace quillary
