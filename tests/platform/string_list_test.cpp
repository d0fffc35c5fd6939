#include "platform/string_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_util.h"

namespace tamsel {
namespace {

using test::J;

TEST(StringList, SetCommaTextSplitsEntries) {
  struct Case {
    std::string text;
    std::vector<std::string> items;
  };
  const Case cases[] = {
      {"a,b,c", {"a", "b", "c"}},
      {"a,b,", {"a", "b"}},  // a trailing comma adds nothing
      {"a,,b", {"a", "", "b"}},
      {",a", {"", "a"}},
      {"a, ,b", {"a", "", "b"}},
      {"", {}},
      {" \t\r\n", {}},
      {"  a ,\tb  ", {"a", "b"}},   // blanks around entries are skipped
      {"a b\tc", {"a", "b", "c"}},  // and separate unquoted entries
      {"\"a,b\",c", {"a,b", "c"}},
      {"\"\"\"\",x", {"\"", "x"}},  // a doubled quote stands for one
      {"\"a\"\"b\"\"\"", {"a\"b\""}},
      {"\",\",x", {",", "x"}},
      {"\" a b \"", {" a b "}},
      {"\"\"", {""}},
      {"a,\"\"", {"a", ""}},
      {"\"a\"b", {"a", "b"}},
      {"\"abc", {"abc"}},  // an unterminated quote runs to the end
      {std::string("a,b\0c", 5), {"a", "b"}},
      {J("Ａ,ａ,A,a"), {J("Ａ"), J("ａ"), "A", "a"}},
      {J("ソ,表\\,\"ー\""), {J("ソ"), J("表\\"), J("ー")}},
      {J("あ い"), {J("あ"), J("い")}},
  };
  for (const auto& c : cases) {
    TStringList list{"old"};
    list.SetCommaText(c.text);
    EXPECT_EQ(list.Items(), c.items) << c.text;
    EXPECT_EQ(list.Count(), static_cast<int>(c.items.size()));
  }
}

}  // namespace
}  // namespace tamsel
