#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

#include "platform/cp932.h"
#include "regex/front/preprocessor.h"
#include "tests/support/test_util.h"

namespace tamsel {
namespace {

using test::J;

// Decodes code page 932 bytes into character codes without the library's own
// reader, so that a fault there cannot hide one here.
std::vector<WChar> Codes(const std::string& s) {
  std::vector<WChar> out;
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    if (IsDBCSLeadByte(b) && i + 1 < s.size()) {
      out.push_back(static_cast<WChar>(b << 8 | static_cast<unsigned char>(s[++i])));
    } else {
      out.push_back(b);
    }
  }
  return out;
}

const TStringList& Group(int row) {
  return RE_FuzzyCharDic().at(row - 1);
}

std::vector<std::string> Entries(int row) {
  return Group(row).Items();
}

TEST(FuzzyCharDic, HasEveryGroupWithItsNumberOfEntries) {
  // Entries per row, rows 1 to 145.
  std::vector<int> counts(26, 4);
  for (int n : {3, 6, 6, 6, 5, 6, 5, 5, 5, 5}) counts.push_back(n);  // 27-36
  for (int n : {2, 2, 2}) counts.push_back(n);                       // 37-39
  counts.insert(counts.end(), 9, 2);                                 // 40-48
  for (int n : {3, 5}) counts.push_back(n);                          // 49-50
  counts.insert(counts.end(), 9, 2);                                 // 51-59
  for (int n : {3, 2, 3}) counts.push_back(n);                       // 60-62
  counts.insert(counts.end(), 6, 2);                                 // 63-68
  for (int n : {4, 4, 3, 3, 3}) counts.push_back(n);                 // 69-73
  counts.insert(counts.end(), 6, 5);                                 // 74-79
  for (int n : {10, 10}) counts.push_back(n);                        // 80-81
  counts.insert(counts.end(), 5, 5);                                 // 82-86
  counts.insert(counts.end(), 5, 9);                                 // 87-91
  counts.insert(counts.end(), 5, 5);                                 // 92-96
  counts.insert(counts.end(), 5, 6);                                 // 97-101
  counts.insert(counts.end(), 12, 3);                                // 102-113
  counts.push_back(6);                                               // 114
  counts.insert(counts.end(), 17, 3);                                // 115-131
  counts.insert(counts.end(), 3, 6);                                 // 132-134
  counts.insert(counts.end(), 5, 3);                                 // 135-139
  for (int n : {6, 5, 5, 6, 2, 2}) counts.push_back(n);              // 140-145
  ASSERT_EQ(counts.size(), 145u);

  ASSERT_EQ(REFuzzyWChars().size(), 145u);
  ASSERT_EQ(RE_FuzzyCharDic().size(), 145u);
  for (int row = 1; row <= 145; ++row) {
    EXPECT_EQ(Group(row).Count(), counts[row - 1]) << "row " << row;
  }
}

TEST(FuzzyCharDic, EveryEntryIsWholeCp932Characters) {
  for (int row = 1; row <= 145; ++row) {
    for (const std::string& e : Entries(row)) {
      EXPECT_FALSE(e.empty()) << "row " << row;
      EXPECT_NO_THROW(Cp932ToUtf8(e)) << "row " << row;
      // A lead byte as the last byte would be a character cut in half.
      if (!e.empty()) {
        std::vector<WChar> c = Codes(e);
        EXPECT_FALSE(c.back() < 0x100 && IsDBCSLeadByte(static_cast<unsigned char>(c.back())))
            << "row " << row;
      }
    }
  }
}

TEST(FuzzyCharDic, RowsNeedingQuotesOrATrailingCommaAreWrittenThatWay) {
  const auto& rows = REFuzzyWChars();
  EXPECT_EQ(rows[36], J("\"　\",\" \""));
  EXPECT_EQ(rows[38], J("\"\"\"\",”"));
  EXPECT_EQ(rows[48].back(), ',');
  EXPECT_EQ(rows[68].substr(0, 4), "\",\",");
}

TEST(FuzzyCharDic, RowsThatNeedQuotingSplitExactly) {
  struct Case {
    int row;
    std::vector<std::string> entries;
  };
  const Case cases[] = {
      {37, {J("　"), " "}},
      {39, {"\"", J("”")}},
      {49, {J("ー"), J("～"), J("ｰ")}},
      {61, {"\\", J("￥")}},
      {66, {"|", J("｜")}},
      {69, {",", J("､"), J("、"), J("，")}},
      {70, {J("｡"), ".", J("。"), J("．")}},
      {81,
       {J("ず"), J("ズ"), J("ｽﾞ"), J("ス゛"), J("ス゛"), J("づ"), J("ヅ"), J("ﾂﾞ"), J("つ゛"),
        J("ツ゛")}},
      {140, {J("わ"), J("ワ"), J("ﾜ"), J("うぁ"), J("ウァ"), J("ｳｧ")}},
  };
  for (const Case& c : cases) EXPECT_EQ(Entries(c.row), c.entries) << "row " << c.row;
}

TEST(FuzzyCharDic, LookAlikeCharactersHaveTheirCodePage932Codes) {
  struct Case {
    int row;
    std::vector<std::vector<WChar>> codes;  // per entry
  };
  const Case cases[] = {
      {37, {{0x8140}, {0x20}}},
      {39, {{0x22}, {0x8168}}},
      {44, {{0x27}, {0x8166}}},
      {49, {{0x815B}, {0x8160}, {0xB0}}},
      {50, {{0x2D}, {0x815B}, {0x817C}, {0x8160}, {0xB0}}},
      {51, {{0xA5}, {0x8145}}},
      {60, {{0x5B}, {0x816D}, {0x816B}}},
      {61, {{0x5C}, {0x818F}}},
      {62, {{0x5D}, {0x816E}, {0x816C}}},
      {68, {{0x7E}, {0x8150}}},
      {69, {{0x2C}, {0xA4}, {0x8141}, {0x8143}}},
      {70, {{0xA1}, {0x2E}, {0x8142}, {0x8144}}},
      {71, {{0x8175}, {0x8177}, {0xA2}}},
      {72, {{0x8176}, {0x8178}, {0xA3}}},
      {74, {{0x82AA}, {0x834B}, {0xB6, 0xDE}, {0x82A9, 0x814A}, {0x834A, 0x814A}}},
      {92, {{0x82CF}, {0x8370}, {0xCA, 0xDF}, {0x82CD, 0x814B}, {0x836E, 0x814B}}},
      {144, {{0xDE}, {0x814A}}},
      {145, {{0xDF}, {0x814B}}},
  };
  for (const Case& c : cases) {
    std::vector<std::vector<WChar>> got;
    for (const std::string& e : Entries(c.row)) got.push_back(Codes(e));
    EXPECT_EQ(got, c.codes) << "row " << c.row;
  }
}

TEST(FuzzyCharDic, DigitRowsHoldCircledDigitsAndRomanNumeralsInOrder) {
  for (int d = 1; d <= 9; ++d) {
    const TStringList& g = Group(27 + d);
    ASSERT_GE(g.Count(), 5) << d;
    EXPECT_EQ(Codes(g[0]), std::vector<WChar>{static_cast<WChar>('0' + d)});
    EXPECT_EQ(Codes(g[1]), std::vector<WChar>{static_cast<WChar>(0x824F + d)});  // "１"..
    EXPECT_EQ(Codes(g[3]), std::vector<WChar>{static_cast<WChar>(0x8740 + d - 1)}) << d;
    EXPECT_EQ(Codes(g[4]), std::vector<WChar>{static_cast<WChar>(0x8754 + d - 1)}) << d;
  }
  EXPECT_EQ(Entries(27), (std::vector<std::string>{"0", J("０"), J("零")}));
}

TEST(FuzzyCharDic, LetterRowsPairFullAndHalfWidthBothCases) {
  for (int k = 0; k < 26; ++k) {
    std::vector<std::vector<WChar>> want = {{static_cast<WChar>(0x8260 + k)},
                                            {static_cast<WChar>(0x8281 + k)},
                                            {static_cast<WChar>('A' + k)},
                                            {static_cast<WChar>('a' + k)}};
    std::vector<std::vector<WChar>> got;
    for (const std::string& e : Entries(k + 1)) got.push_back(Codes(e));
    EXPECT_EQ(got, want) << "row " << k + 1;
  }
}

TEST(FuzzyCharDic, IsBuiltOnceAndSharedAcrossThreads) {
  std::vector<const REDictionary_t*> seen(4);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < seen.size(); ++i) {
    threads.emplace_back([&seen, i] { seen[i] = &RE_FuzzyCharDic(); });
  }
  for (auto& t : threads) t.join();
  std::set<const REDictionary_t*> distinct(seen.begin(), seen.end());
  EXPECT_EQ(distinct.size(), 1u);
  EXPECT_EQ(*distinct.begin(), &RE_FuzzyCharDic());
  EXPECT_EQ(&REFuzzyWChars(), &REFuzzyWChars());
}

}  // namespace
}  // namespace tamsel
