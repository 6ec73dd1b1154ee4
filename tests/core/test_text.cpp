// Text in and out: lines, sscanf-like fields, the fields a user types,
// printable quotes of file bytes, the report's fast formatter with printf
// as its oracle, and all of it under a German locale.
#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <random>

#include "TestSupport.h"
#include "run/Execute.h"
#include "job/InputFile.h"

using namespace lattrix;

TEST(Text, WholeLinesWithLfAndCrlf) {
  const char tail[] = "\r\nnul\0cut\nlast";
  std::istringstream in("one\r\ntwo\n\nthree" + std::string(200, 'x') + std::string(tail, sizeof tail - 1));
  LineReader reader(in);
  std::vector<std::string> lines;
  for (std::string line; reader.Next(line);) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "", "three" + std::string(200, 'x'), "nul", "last"}));
}

// sscanf("%d") and ("%lf") rules: blanks skipped, the longest valid prefix,
// a failed field keeps its target and ends the parse; beyond sscanf, huge
// integers saturate and non-finite numbers do not parse.
TEST(Text, FieldsFollowScanfRules) {
  int a = 7, b = 7, c = 7;
  double x = 7.0, y = 7.0;
  FieldScanner s("  12\t-3 4.5e1 junk 9"), t("3.75abc");
  EXPECT_TRUE(s.Int(a) && s.Int(b) && s.Double(x));
  EXPECT_FALSE(s.Double(y) || s.Int(c) || s.ok());
  EXPECT_EQ(Format("%d %d %g %g %d", a, b, x, y, c), "12 -3 45 7 7");
  EXPECT_TRUE(t.Int(a) && t.Double(x));
  EXPECT_EQ(Format("%d %g", a, x), "3 0.75");
  for (const char* text : {"nan", "-inf", "1e999"}) EXPECT_FALSE(FieldScanner(text).Double(y)) << text;
  EXPECT_TRUE(FieldScanner("99999999999999999999").Int(a) && FieldScanner("-4294967297").Int(b));
  EXPECT_TRUE(a == INT_MAX && b == INT_MIN);
  EXPECT_EQ(FieldOf("  1   0  2  20.8590 ", 4) + "|" + FieldOf("a b", 3), "20.8590|");
  EXPECT_EQ(AtoF(" -0.0345x"), -0.0345);
}

// A typed field is one number after trimming, with a decimal comma read
// as a point; anything else leaves the target alone.
TEST(Text, TypedFields) {
  const struct { const char* text; bool number; double value; bool whole; int wholeValue; } cases[] = {
      {" 47,31 ", true, 47.31, false, 0},  {"-5.25e1", true, -52.5, false, 0},  {"\t12\n", true, 12, true, 12},
      {"-0", true, 0, true, 0},            {"+3", true, 3, true, 3},            {"", false, 0, false, 0},
      {"   ", false, 0, false, 0},         {"28.44x", false, 0, false, 0},      {"28.4 1", false, 0, false, 0},
      {"1,5,0", false, 0, false, 0},       {"nan", false, 0, false, 0},         {"1e400", false, 0, false, 0},
      {"2147483648", true, 2147483648.0, false, 0},
      {"-2147483648", true, -2147483648.0, true, INT_MIN},
  };
  for (const auto& c : cases) {
    double value = -99.0;
    int whole = -99;
    EXPECT_EQ(ParseNumberText(c.text, value), c.number) << c.text;
    EXPECT_EQ(value, c.number ? c.value : -99.0) << c.text;
    EXPECT_EQ(ParseWholeNumberText(c.text, whole), c.whole) << c.text;
    EXPECT_EQ(whole, c.whole ? c.wholeValue : -99) << c.text;
  }
}

// Control characters (C1 too: U+0080..U+009F) and bytes that are not UTF-8
// as \xHH; valid UTF-8 kept up to U+10FFFF; cut after maxChars characters
// with "...". A line (kLine) is shown whole with its tabs.
TEST(Text, PrintableQuotes) {
  const size_t kLine = 0;
  const struct { std::string text; size_t max; std::string shown; } cases[] = {
      {"\xf5\x80\x80 \xf8\x88\x80\x80", 60, "\\xf5\\x80\\x80 \\xf8\\x88\\x80\\x80"}, {"\xfd\xbf\xbf\xff", 60, "\\xfd\\xbf\\xbf\\xff"},
      {"c1 \xc2\x80\xc2\x9b[31m\xc2\x9f", 60, "c1 \\xc2\\x80\\xc2\\x9b[31m\\xc2\\x9f"},
      {"\xc2\xa0\xc2\xb0\xef\xbf\xbd\xf0\x9f\x94\xac\xf4\x8f\xbf\xbf", 60, "\xc2\xa0\xc2\xb0\xef\xbf\xbd\xf0\x9f\x94\xac\xf4\x8f\xbf\xbf"},
      {"T\t25 \xb0" "C\x1b[31m\n" + std::string(70, 'x'), kLine, "T\t25 \\xb0C\\x1b[31m\\x0a" + std::string(70, 'x')},
      {"caf\xc3\xa9 \xe2\x82\xac", kLine, "caf\xc3\xa9 \xe2\x82\xac"},
      {"plain", 60, "plain"},                         {"tab\there\r\n", 60, "tab\\x09here\\x0d\\x0a"},
      {"\x1b[2J", 60, "\\x1b[2J"},                    {"caf\xc3\xa9 \xe2\x82\xac", 60, "caf\xc3\xa9 \xe2\x82\xac"},
      {"bad \xff\xfe", 60, "bad \\xff\\xfe"},         {"cut \xc3", 60, "cut \\xc3"},
      {"overlong \xc0\xaf", 60, "overlong \\xc0\\xaf"}, {"surrogate \xed\xa0\x80", 60, "surrogate \\xed\\xa0\\x80"},
      {std::string("nul\0x", 5), 60, "nul\\x00x"},    {"abcdef", 3, "abc..."},
      {"\xc3\xa9\xc3\xa9\xc3\xa9", 2, "\xc3\xa9\xc3\xa9..."}, {"abc", 3, "abc"},
  };
  for (const auto& c : cases) { EXPECT_EQ(c.max == kLine ? PrintableLine(c.text) : PrintableText(c.text, c.max), c.shown) << c.shown; }
}

// The report's fast formatter against printf: exact binary fractions that
// sit on a decimal tie, random values of every size the report meets,
// signed zeros and values that are not finite.
TEST(Text, FastFormatAgreesWithPrintf) {
  const int formats[][2] = {{4, 2}, {6, 3}, {7, 3}, {8, 3}, {8, 4}, {8, 5}, {9, 4}, {9, 5}, {10, 4}, {10, 5}, {9, 6}, {10, 7}};
  const auto expect = [](double v, int width, int precision) {
    std::string fast;
    AppendFixed(fast, v, width, precision);
    char printed[512];
    std::snprintf(printed, sizeof printed, "%*.*f", width, precision, v);
    ASSERT_EQ(fast, printed) << "value " << v << " %" << width << "." << precision << "f";
  };
  for (const auto& f : formats) {
    for (int n = -5000; n <= 5000; ++n) expect(n / 1024.0, f[0], f[1]), expect(n / 64.0 + 100.0, f[0], f[1]);
    for (double v : {0.0, -0.0, 1e-300, -1e-300, 0.5e-5, 1e20, -1e20, 123456789.123456, std::nan(""), -std::nan(""), HUGE_VAL, -HUGE_VAL})
      expect(v, f[0], f[1]);
  }
  std::mt19937_64 random(20261206);
  std::uniform_real_distribution<double> exponent(-8.0, 4.0);
  for (int i = 0; i < 200000; ++i) expect((i % 2 ? -1 : 1) * std::pow(10.0, exponent(random)), formats[i % 12][0], formats[i % 12][1]);
  for (int v : {0, 7, -3, 42, 12345, -12345, INT_MAX, INT_MIN}) {
    std::string fast;
    AppendInt(fast, v, 4);
    EXPECT_EQ(fast, Format("%4d", v));
  }
}

// The process switched to a locale with a decimal comma, as a German
// desktop's start-up does: files, reports and parsing stay as in "C". The
// references are made in the C locale first.
TEST(Text, GermanLocaleChangesNoNumber) {
  using namespace lattrix_test;
  ScratchDir dir;
  Job job = MakeJob(kCrystals[1], 20, {0.01, 0.03, 0.005});
  job.m_nCorrection = kZeroAndDisplacement;
  job.m_strReportPath = dir.File("c.out"), job.m_strInputPath = dir.File("c.inp");
  Job german = job;
  RecordingSink cSink, sink;
  ASSERT_TRUE(ExecuteRefinement(job, cSink) && WriteInputFile(job, cSink));
  const std::string previous = std::setlocale(LC_ALL, nullptr);
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed";
  char printed[16];
  std::snprintf(printed, sizeof printed, "%.2f", 1.5);
  EXPECT_STREQ(printed, "1,50");  // the switch took effect
  EXPECT_EQ(Format("%10.5lf|%3d", 4.913, 7), "   4.91300|  7");
  std::string fast;
  AppendFixed(fast, -2.25, 8, 3);
  EXPECT_EQ(fast, "  -2.250");
  double x = 0, y = 0;
  EXPECT_TRUE(FieldScanner("4.913 2.5").Double(x) && ParseNumberText("1.25", y) && x == 4.913 && y == 1.25);
  EXPECT_TRUE(ParseNumberText("1,75", y) && y == 1.75);
  EXPECT_EQ(AtoF("0.5"), 0.5);
  german.m_strReportPath = dir.File("de.out"), german.m_strInputPath = dir.File("de.inp");
  const bool refined = ExecuteRefinement(german, sink) && WriteInputFile(german, sink);
  Job back;
  back.m_strInputPath = german.m_strInputPath;
  const bool read = ReadInputFile(back, sink);
  std::setlocale(LC_ALL, previous.c_str());
  ASSERT_TRUE(refined && read);
  EXPECT_EQ(ReadAll(german.m_strReportPath), ReadAll(job.m_strReportPath));
  EXPECT_EQ(ReadAll(german.m_strInputPath), ReadAll(job.m_strInputPath));
  EXPECT_EQ(sink.messages, cSink.messages);  // the warnings' numbers too
}
