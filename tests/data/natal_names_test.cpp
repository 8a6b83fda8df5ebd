#include "data/natal_names.h"

#include <gtest/gtest.h>

namespace sd::data {
namespace {

std::vector<NatalRecord> Records(std::initializer_list<const char*> names) {
  std::vector<NatalRecord> out;
  for (const char* n : names) {
    NatalRecord r;
    r.Name.Set(n);
    out.push_back(r);
  }
  return out;
}

const auto kBook = Records({"International Business Machines", "IBM Corp", "Intel Corp",
                            "AT&T Inc", "Apple Inc", " Coca-Cola Co ", "\xCC\xEE\xF1\xEA\xE2\xE0"});

TEST(FindSecurity, ExactNameFirstThenTheOneRecordLetterCaseLeaves) {
  ASSERT_NE(FindSecurity(kBook, "IBM Corp"), nullptr);
  EXPECT_EQ(FindSecurity(kBook, " IBM Corp\t")->Name.Str(), "IBM Corp");
  EXPECT_EQ(FindSecurity(kBook, "Coca-Cola Co")->Name.Str(), " Coca-Cola Co ");
  // Letter case: the one record it leaves is meant; two records it cannot tell apart, none.
  EXPECT_EQ(FindSecurity(kBook, "ibm corp")->Name.Str(), "IBM Corp");
  EXPECT_EQ(FindSecurity(kBook, "\xD0\x9C\xD0\x9E\xD0\xA1\xD0\x9A\xD0\x92\xD0\x90")->Name.Str(),
            "\xCC\xEE\xF1\xEA\xE2\xE0");  // МОСКВА for Москва
  const auto twins = Records({"Acme Co", "ACME CO"});
  EXPECT_EQ(FindSecurity(twins, "acme co"), nullptr);
  EXPECT_EQ(FindSecurity(twins, "ACME CO"), &twins[1]);
  EXPECT_EQ(FindSecurity(kBook, "IBM"), nullptr);
  // UTF-8 is stored in code page 1251; a character the code page lacks finds nothing.
  EXPECT_NE(FindSecurity(kBook, "Москва"), nullptr);
  EXPECT_EQ(FindSecurity(kBook, "IBM Corp\xE2\x82\xAC\xF0\x9F\x98\x80"), nullptr);
}

TEST(CloseNames, OffersUpToThreeClosestFirst) {
  const struct {
    std::string asked;
    std::vector<std::string> offered;
  } cases[] = {
      {"ibm corp", {"IBM Corp"}},
      {"IBM Crop", {"IBM Corp"}},
      {"inc", {"AT&T Inc", "Apple Inc"}},
      {"corp", {"IBM Corp", "Intel Corp"}},
      {"Apple", {"Apple Inc"}},
      {"Microsoft", {}},
      {"", {}},
      {"москва", {"Москва"}},  // one byte off in UTF-8
      {"Internatoinal Busines Machines", {"International Business Machines"}},  // three edits
      {std::string(200, 'x'), {}},  // compared within its bound, not cell by cell against all
  };
  for (const auto& c : cases) EXPECT_EQ(CloseNames(kBook, c.asked), c.offered) << c.asked;
  EXPECT_EQ(CloseNames(kBook, "c").size(), 0u);  // a letter is no name
  EXPECT_EQ(CloseNames(Records({"A Co", "B Co", "C Co", "D Co"}), "X Co"),
            (std::vector<std::string>{"A Co", "B Co", "C Co"}));
}

// A ticker stands for the one record its rows name, in any letter case; a ticker whose rows name
// two records, or a record the database lacks, stands for none. The tickers file is read as the
// securities' CSV gives it, quoted fields and all.
TEST(FindByTicker, TheOneRecordItsRowsName) {
  const std::vector<TickerRow> tickers = TickersOfCsv(
      "name,ticker,exchange\n"
      "IBM Corp,IBM,NYSE\n"
      "\"AT&T Inc\",T,NYSE\n"
      "Apple Inc,AAPL,NASDAQ\n"
      "Apple Inc,AAPL,XETRA\n"  // the same record twice: still one
      "Intel Corp,DUP,NASDAQ\n"
      "IBM Corp,DUP,NYSE\n"
      "Gone Inc,GONE,NYSE\n"
      "No Ticker Co,,NYSE\n");
  ASSERT_EQ(tickers.size(), 7u);
  EXPECT_EQ(tickers[1].name, "AT&T Inc");
  const struct {
    const char* ticker;
    const char* record;  // nullptr: none
  } cases[] = {
      {"IBM", "IBM Corp"}, {"ibm", "IBM Corp"}, {"t", "AT&T Inc"}, {"AAPL", "Apple Inc"},
      {"DUP", nullptr},    {"GONE", nullptr},   {"", nullptr},     {"MSFT", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ticker);
    const NatalRecord* found = FindByTicker(kBook, tickers, c.ticker);
    if (!c.record) {
      EXPECT_EQ(found, nullptr);
      continue;
    }
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Name.Str(), c.record);
  }
  // The file the import writes reads back as the rows it was made of.
  const std::vector<TickerRow> again = TickersOfCsv(FormatTickersCsv(tickers));
  ASSERT_EQ(again.size(), tickers.size());
  for (size_t i = 0; i < again.size(); ++i) {
    EXPECT_EQ(again[i].ticker, tickers[i].ticker);
    EXPECT_EQ(again[i].name, tickers[i].name);
  }
  EXPECT_TRUE(TickersOfCsv("name,date\nIBM Corp,1924-02-14\n").empty());
}

}  // namespace
}  // namespace sd::data
