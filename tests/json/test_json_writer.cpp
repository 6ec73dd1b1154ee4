// The JSON writer against the JSON library as the oracle: random documents
// built both ways must come out byte for byte the same as the library's
// indented dump, which is what the result files were always written with.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <limits>
#include <random>
#include <nlohmann/json.hpp>

#include "JsonResult.h"
#include "JsonWriter.h"

namespace lattrix {
namespace {

using nlohmann::ordered_json;

std::string LibraryText(const ordered_json& document) {
  return document.dump(2, ' ', false, ordered_json::error_handler_t::replace);
}

// Doubles from random bit patterns (every exponent, subnormals, NaN and
// infinities) and from values whose text is a corner of the format.
double RandomDouble(std::mt19937_64& random) {
  static const double corners[] = {0.0, -0.0, 1.0, -3.0, 1e21, 1e-7, 0.1, 123456789012345678.0, 5e-324,
                                   std::numeric_limits<double>::max(), 1e15, 1e16, 0.0001, 0.00001,
                                   std::numeric_limits<double>::quiet_NaN(),
                                   -std::numeric_limits<double>::infinity()};
  if (random() % 4 == 0) return corners[random() % std::size(corners)];
  const uint64_t bits = random();
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// Bytes of every kind: plain text, quotes, backslashes, control
// characters, valid UTF-8 and bytes that are not UTF-8.
std::string RandomText(std::mt19937_64& random) {
  static const char* pieces[] = {"a", "Quartz 2theta", "\"", "\\", "\n", "\t", "\x01", "\x7f", "\xc3\xa9",
                                 "\xe2\x88\x92", "\xf0\x9f\x98\x80", "\xff", "\xc3", "\xe2\x88", "/", " "};
  std::string text;
  for (int n = static_cast<int>(random() % 6); n > 0; --n) text += pieces[random() % std::size(pieces)];
  return text;
}

// One value written by both: returns the library's tree of it.
ordered_json WriteRandom(std::mt19937_64& random, JsonWriter& w, int depth) {
  switch (random() % (depth < 4 ? 8 : 6)) {
    case 0: { const double v = RandomDouble(random); w.Value(v); return v; }
    case 1: { const int v = random() % 3 ? static_cast<int>(random() % 2001) - 1000 : INT_MIN; w.Value(v); return v; }
    case 2: { const bool v = random() % 2; w.Value(v); return v; }
    case 3: w.Value(nullptr); return nullptr;
    case 4: case 5: { const std::string v = RandomText(random); w.Value(v); return v; }
    case 6: {
      ordered_json array = ordered_json::array();
      w.BeginArray();
      for (int n = static_cast<int>(random() % 4); n > 0; --n) array.push_back(WriteRandom(random, w, depth + 1));
      w.EndArray();
      return array;
    }
    default: {
      ordered_json object = ordered_json::object();
      w.BeginObject();
      for (int n = static_cast<int>(random() % 4); n > 0; --n) {
        const std::string key = RandomText(random) + std::to_string(n);  // keys distinct within the object
        w.Key(key);
        object[key] = WriteRandom(random, w, depth + 1);
      }
      w.EndObject();
      return object;
    }
  }
}

// Documents written one level deep are the elements of an indented array.
TEST(JsonWriter, RandomDocumentsAreTheLibrarysBytes) {
  std::mt19937_64 random(20261207);
  for (int document = 0; document < 5000; ++document) {
    JsonWriter w(document % 2, document % 3 ? 16 : 4096);
    const ordered_json tree = WriteRandom(random, w, 0);
    const std::string text = w.Finish();
    if (document % 2 == 0) {
      ASSERT_EQ(text, LibraryText(tree) + "\n") << "document " << document;
    } else {
      ASSERT_EQ("[" + JsonArrayElement(text, true) + "\n]", LibraryText(ordered_json::array({tree})))
          << "document " << document;
    }
  }
}

TEST(JsonWriter, NumbersAndNamedArraysAreTheLibrarysBytes) {
  std::mt19937_64 random(7);
  JsonWriter w;
  ordered_json tree = ordered_json::object();
  w.BeginObject();
  w.Key("numbers");
  w.BeginArray();
  ordered_json numbers = ordered_json::array();
  for (int i = 0; i < 100000; ++i) {
    const double v = RandomDouble(random);
    w.Value(v);
    numbers.push_back(v);
  }
  w.EndArray();
  tree["numbers"] = std::move(numbers);
  const std::vector<std::string> none, names = {"a", "b\"", "\xff"};
  w.Member("none", none);
  w.Member("names", names);
  w.Member("literal", "text");
  w.EndObject();
  tree["none"] = none;
  tree["names"] = names;
  tree["literal"] = "text";
  EXPECT_EQ(w.Finish(), LibraryText(tree) + "\n");
}

}  // namespace
}  // namespace lattrix
