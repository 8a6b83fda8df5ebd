// Universe files as users write them, and every fault told with file, line and field.
#include "eventstudy/universe.h"

#include <gtest/gtest.h>

namespace sd::eventstudy {
namespace {

TEST(ParseUniverse, ColumnsInAnyOrderWithDefaultLabels) {
  const std::string text =
      "\xEF\xBB\xBF" "Prices,Note,SECURITY,label\r\n"
      "dow30/IBM.csv,x,IBM Corp,\r\n"
      "\r\n"
      "\"odd, name.csv\",,,\r\n"
      "/abs/KO.csv,,\"Coca-Cola Co\",coke\n";
  const auto rows = ParseUniverse(text, "data/universe.csv");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].Label, "IBM Corp");
  EXPECT_EQ(rows[0].Security, "IBM Corp");
  EXPECT_EQ(rows[0].Prices, "data/dow30/IBM.csv");
  EXPECT_EQ(rows[0].Line, 2);
  EXPECT_EQ(rows[1].Label, "odd, name");
  EXPECT_EQ(rows[1].Security, "");
  EXPECT_EQ(rows[1].Prices, "data/odd, name.csv");
  EXPECT_EQ(rows[1].Line, 4);
  EXPECT_EQ(rows[2].Label, "coke");
  EXPECT_EQ(rows[2].Prices, "/abs/KO.csv");
  // Only the prices column is needed; a universe beside the working folder keeps paths as given.
  const auto bare = ParseUniverse("prices\nA.csv\n", "u.csv");
  ASSERT_EQ(bare.size(), 1u);
  EXPECT_EQ(bare[0].Prices, "A.csv");
  EXPECT_EQ(bare[0].Label, "A");
}

TEST(ParseUniverse, FaultsNameFileLineAndField) {
  const struct {
    const char* what;
    const char* text;
    const char* message;
  } cases[] = {
      {"empty", "", "u.csv: no header line (empty file)"},
      {"no prices column", "label,security\nA,B\n", "u.csv: line 1: missing column 'prices'"},
      {"column twice", "prices,label,Prices\n", "u.csv: line 1: column 'prices' twice"},
      {"no rows", "\nlabel,prices\n\n", "u.csv: line 2: no rows under the header"},
      {"short row", "label,prices\nA,a.csv\nB\n", "u.csv: line 3: 1 fields, the header has 2"},
      {"open quote", "label,prices\n\"A,a.csv\n", "u.csv: line 2: a quote is not closed"},
      {"empty prices", "label,security,prices\nA,IBM Corp,\n", "u.csv: line 2: field 'prices': no price file named"},
      {"label twice", "label,prices\nA,a.csv\nA,b.csv\n",
       "u.csv: line 3: field 'label': the label 'A' is already used above"},
      {"stem twice", "prices\nx/a.csv\ny/a.csv\n", "u.csv: line 3: field 'prices': the label 'a' is already used above"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      ParseUniverse(c.text, "u.csv");
      ADD_FAILURE() << "accepted";
    } catch (const UniverseError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(c.message, 0), 0u) << e.what();
    }
  }
}

TEST(ReadUniverse, RefusesWhatIsNotARegularFile) {
  EXPECT_THROW(ReadUniverse("/nonexistent/universe.csv"), UniverseError);
  EXPECT_THROW(ReadUniverse(::testing::TempDir()), UniverseError);
}

}  // namespace
}  // namespace sd::eventstudy
