#include <gtest/gtest.h>

#include <climits>
#include <sstream>

#include "common/TextIO.h"

using namespace lattrix;

TEST(LineReader, WholeLinesWithLfAndCrlfAndNoFinalNewline) {
  std::istringstream in(std::string("one\r\ntwo\n\nthree") + std::string(200, 'x') + "\r\nlast");
  LineReader reader(in);
  std::string line;
  ASSERT_TRUE(reader.Next(line));
  EXPECT_EQ(line, "one");
  ASSERT_TRUE(reader.Next(line));
  EXPECT_EQ(line, "two");
  ASSERT_TRUE(reader.Next(line));
  EXPECT_EQ(line, "");
  ASSERT_TRUE(reader.Next(line));
  EXPECT_EQ(line, "three" + std::string(200, 'x'));  // never split at 127 characters
  ASSERT_TRUE(reader.Next(line));
  EXPECT_EQ(line, "last");
  EXPECT_FALSE(reader.Next(line));
}

TEST(FieldScanner, FollowsScanfRules) {
  int a = 7, b = 7, c = 7;
  double x = 7.0, y = 7.0;
  FieldScanner s("  12\t-3 4.5e1 junk 9");
  EXPECT_TRUE(s.Int(a));
  EXPECT_TRUE(s.Int(b));
  EXPECT_TRUE(s.Double(x));
  EXPECT_FALSE(s.Double(y));  // "junk" does not parse ...
  EXPECT_FALSE(s.Int(c));     // ... and ends the parse
  EXPECT_EQ(a, 12);
  EXPECT_EQ(b, -3);
  EXPECT_DOUBLE_EQ(x, 45.0);
  EXPECT_EQ(y, 7.0);
  EXPECT_EQ(c, 7);

  // Longest valid prefix, as "%d" then "%lf" would take it.
  FieldScanner t("3.75abc");
  EXPECT_TRUE(t.Int(a));
  EXPECT_TRUE(t.Double(x));
  EXPECT_EQ(a, 3);
  EXPECT_DOUBLE_EQ(x, 0.75);
}

TEST(FieldScanner, RefusesNonFiniteAndSaturatesHugeIntegers) {
  double x = 1.5;
  EXPECT_FALSE(FieldScanner("nan").Double(x));
  EXPECT_FALSE(FieldScanner("-inf").Double(x));
  EXPECT_FALSE(FieldScanner("1e999").Double(x));
  EXPECT_EQ(x, 1.5);
  int n = 0;
  EXPECT_TRUE(FieldScanner("99999999999999999999").Int(n));
  EXPECT_EQ(n, INT_MAX);
  EXPECT_TRUE(FieldScanner("-4294967297").Int(n));
  EXPECT_EQ(n, INT_MIN);
}

TEST(Format, UsesFullStopWhateverTheLocale) {
  EXPECT_EQ(Format("%10.5lf|%3d", 4.913, 7), "   4.91300|  7");
  EXPECT_EQ(FieldOf("  1   0  2  20.8590 ", 4), "20.8590");
  EXPECT_EQ(FieldOf("a b", 3), "");
  EXPECT_DOUBLE_EQ(AtoF(" -0.0345x"), -0.0345);
  EXPECT_EQ(AtoF("x"), 0.0);
}
