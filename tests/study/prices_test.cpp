#include "study/prices.h"
#include "../support/scratch_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace sd::study {
namespace {

struct FormatCase {
  const char* label;
  const char* text;
  PriceFormat format;
  const char* column;
  std::vector<double> prices;
  int skipped;
};

TEST(PriceFiles, EachVendorFormatReadsItsPriceColumn) {
  const FormatCase cases[] = {
      {"adjusted, usual order", "Date,Open,High,Low,Close,Adj Close,Volume\n"
                                "2000-01-03,10,11,9,10.5,5.25,100\n2000-01-04,10,11,9,11,5.5,100\n",
       PriceFormat::Adjusted, "Adj Close", {5.25, 5.5}, 0},
      {"adjusted, other order and case, adjclose, CRLF",
       "volume,ADJCLOSE,close,low,high,open,DATE\r\n1,7,8,1,9,2,2000-01-03\r\n1,null,8,1,9,2,2000-01-04\r\n"
       "1,7.5,8,1,9,2,2000-01-05\r\n",
       PriceFormat::Adjusted, "ADJCLOSE", {7, 7.5}, 1},
      {"ohlcv", "Date,Open,High,Low,Close,Volume\n2000-01-03,1,2,0.5,1.5,10\n2000-01-04,1,2,0.5,,10\n"
                "2000-01-05,1,2,0.5,1.75,10\n",
       PriceFormat::Ohlcv, "Close", {1.5, 1.75}, 1},
      {"metastock", "<TICKER>,<DTYYYYMMDD>,<OPEN>,<HIGH>,<LOW>,<CLOSE>,<VOL>\nIBM,20000103,1,2,0.5,3.5,9\n"
                    "IBM,20000104,1,2,0.5,4,9\n",
       PriceFormat::MetaStock, "<CLOSE>", {3.5, 4}, 0},
      {"metastock with period", "<TICKER>,<PER>,<DTYYYYMMDD>,<OPEN>,<HIGH>,<LOW>,<CLOSE>,<VOL>\n"
                                "IBM,D,20000103,1,2,0.5,3.5,9\n",
       PriceFormat::MetaStock, "<CLOSE>", {3.5}, 0},
      {"metastock with time", "<TICKER>,<DTYYYYMMDD>,<TIME>,<OPEN>,<HIGH>,<LOW>,<CLOSE>,<VOL>\n"
                              "IBM,20000103,000000,1,2,0.5,3.5,9\n",
       PriceFormat::MetaStock, "<CLOSE>", {3.5}, 0},
      {"close, BOM, blank lines, NULL", "\xEF\xBB\xBF" "Date,Close\n\n2000-01-03,27.86\n2000-01-04,NULL\n\n"
                                        "2000-01-05,28\n",
       PriceFormat::Close, "Close", {27.86, 28}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    const PriceSeries s = ParsePrices(c.text, "p.csv");
    EXPECT_EQ(s.Format, c.format);
    EXPECT_EQ(s.Column, c.column);
    EXPECT_EQ(s.Prices, c.prices);
    EXPECT_EQ(s.Skipped, c.skipped);
    ASSERT_EQ(s.Dates.size(), c.prices.size());
    EXPECT_EQ(FormatDate(s.Dates.front()), "2000-01-03");
  }
}

struct BadCase {
  const char* label;
  std::string text;
  const char* message;  // the exact message after the file name
};

TEST(PriceFiles, EveryKindOfBadRowStopsWithFileLineAndField) {
  const BadCase cases[] = {
      {"empty file", "", "p.csv: no header line (empty file)"},
      {"unknown header", "When,Price\n2000-01-03,1\n", "p.csv: line 1: not a price header"},
      {"missing volume", "Date,Open,High,Low,Close\n2000-01-03,1,1,1,1\n", "p.csv: line 1: missing column 'Volume'"},
      {"adjusted without date", "Open,High,Low,Close,Adj Close,Volume\n", "p.csv: line 1: missing column 'Date'"},
      {"close without close", "Date\n2000-01-03\n", "p.csv: line 1: missing column 'Close'"},
      {"metastock without close", "<TICKER>,<DTYYYYMMDD>,<OPEN>,<HIGH>,<LOW>,<VOL>\n",
       "p.csv: line 1: missing column '<CLOSE>'"},
      {"short row", "Date,Close\n2000-01-03,1\n2000-01-04\n", "p.csv: line 3: 1 fields, the header has 2"},
      {"long row", "Date,Close\n2000-01-03,1,2\n", "p.csv: line 2: 3 fields, the header has 2"},
      {"price zero", "Date,Close\n2000-01-03,0\n", "p.csv: line 2: field 'Close': price not above zero: '0'"},
      {"price negative", "Date,Close\n2000-01-03,-2.5\n", "p.csv: line 2: field 'Close': price not above zero: '-2.5'"},
      {"price text", "Date,Close\n2000-01-03,1\n2000-01-04,abc\n", "p.csv: line 3: field 'Close': not a number: 'abc'"},
      {"price trailing junk", "Date,Close\n2000-01-03,1.5x\n", "p.csv: line 2: field 'Close': not a number: '1.5x'"},
      {"price nan", "Date,Close\n2000-01-03,nan\n", "p.csv: line 2: field 'Close': not a number: 'nan'"},
      {"adjusted bad", "Date,Open,High,Low,Close,Adj Close,Volume\n2000-01-03,1,1,1,1,x,1\n",
       "p.csv: line 2: field 'Adj Close': not a number: 'x'"},
      {"duplicate date", "Date,Close\n2000-01-03,1\n2000-01-03,2\n",
       "p.csv: line 3: field 'Date': duplicate date 2000-01-03"},
      {"up, then down", "Date,Close\n2000-01-04,1\n2000-01-05,1\n2000-01-03,2\n",
       "p.csv: line 4: field 'Date': date 2000-01-03 is before the row above it, in a file whose dates go up"},
      {"newest first, then up", "Date,Close\n2000-01-05,1\n2000-01-04,1\n2000-01-06,2\n",
       "p.csv: line 4: field 'Date': date 2000-01-06 is after the row above it, in a file whose dates go down"},
      {"order judged across a skipped row", "Date,Close\n2000-01-04,1\n2000-01-05,null\n2000-01-05,2\n",
       "p.csv: line 4: field 'Date': duplicate date 2000-01-05"},
      {"not a calendar day", "Date,Close\n2000-02-30,1\n",
       "p.csv: line 2: field 'Date': not a date (YYYY-MM-DD): '2000-02-30'"},
      {"slashed date", "Date,Close\n01/03/2000,1\n", "p.csv: line 2: field 'Date': not a date (YYYY-MM-DD): '01/03/2000'"},
      {"metastock dashed date", "<TICKER>,<DTYYYYMMDD>,<OPEN>,<HIGH>,<LOW>,<CLOSE>,<VOL>\nX,2000-01-03,1,1,1,1,1\n",
       "p.csv: line 2: field '<DTYYYYMMDD>': not a date (YYYYMMDD): '2000-01-03'"},
      {"a day the calendar reform skipped", "Date,Close\n1582-10-10,1\n",
       "p.csv: line 2: field 'Date': not a date (YYYY-MM-DD): '1582-10-10' (price dates begin at 1582-10-15"},
      {"hexadecimal", "Date,Close\n2000-01-03,0x10\n", "p.csv: line 2: field 'Close': not a number: '0x10'"},
      {"embedded NUL", std::string("Date,Close\n2000-01-03,17.55") + '\0' + "999\n",
       "p.csv: line 2: field 'Close': not a number: '17.55\\x00999'"},
      {"infinity", "Date,Close\n2000-01-03,inf\n", "p.csv: line 2: field 'Close': not a number: 'inf'"},
      {"subnormal price", "Date,Close\n2000-01-03,2.3e-310\n",
       "p.csv: line 2: field 'Close': outside the range of normal doubles: '2.3e-310'"},
      {"return that overflows", "Date,Close\n2000-01-03,1e-300\n2000-01-04,1e308\n",
       "p.csv: line 3: field 'Close': the return from the price before it (1e-300) is beyond"},
      {"return that underflows", "Date,Close\n2000-01-03,17.5\n2000-01-04,2.3e-308\n",
       "p.csv: line 3: field 'Close': the return from the price before it (17.5) is beyond"},
      {"second Close column", "Date,Close,Close\n2000-01-03,1,2\n",
       "p.csv: line 1: field 'Close': a second column 'Close' (columns 2 and 3)"},
      {"metastock with two tickers",
       "<TICKER>,<DTYYYYMMDD>,<OPEN>,<HIGH>,<LOW>,<CLOSE>,<VOL>\nX,20000103,1,1,1,1,1\nY,20000104,1,1,1,1,1\n",
       "p.csv: line 3: field '<TICKER>': 'Y' after 'X' (a price file holds one security)"},
      {"a huge field is quoted by its start", "Date,Close\n2000-01-03,1" + std::string(100000, '9') + "x\n",
       "p.csv: line 2: field 'Close': not a number: '1999999999999999999999999999999999999999...' (100002 bytes)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    try {
      ParsePrices(c.text, "p.csv");
      ADD_FAILURE() << "accepted";
    } catch (const PriceError& e) {
      EXPECT_EQ(std::string(e.what()).substr(0, std::string(c.message).size()), c.message) << e.what();
    }
  }
}

// What is not a regular file is refused at once (a FIFO would block the reader forever, /dev/zero
// would grow without end); the message names the file and why.
TEST(PriceFiles, RefusesFifosDevicesAndDirectoriesBeforeReading) {
  const testing_support::ScratchDir scratch;
  const std::string dir = scratch.path(), fifo = scratch.File("fifo.csv");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {fifo, std::string("/dev/zero"), dir}) {
    try {
      ReadPrices(path);
      ADD_FAILURE() << "accepted " << path;
    } catch (const PriceError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(path + ": ", 0), 0u) << e.what();
      EXPECT_NE(std::string(e.what()).find("not a regular file"), std::string::npos) << e.what();
    }
  }
}

// Many exports list the newest day first: read in either order, the series is the same.
TEST(PriceFiles, NewestFirstFilesReadAsTheSameSeries) {
  const PriceSeries up = ParsePrices("Date,Close\n2000-01-03,10\n2000-01-04,null\n2000-01-05,12\n", "up.csv");
  const PriceSeries down = ParsePrices("Date,Close\n2000-01-05,12\n2000-01-04,null\n2000-01-03,10\n", "down.csv");
  EXPECT_EQ(down.Dates, up.Dates);
  EXPECT_EQ(down.Prices, up.Prices);
  EXPECT_EQ(FormatDate(down.Dates.front()), "2000-01-03");
  EXPECT_EQ(down.Skipped, 1);
}

TEST(PriceFiles, ReadsTheShippedSampleAndNamesAMissingFile) {
  const PriceSeries ibm = ReadPrices(std::string(STOCKDYN_SOURCE_DIR) + "/assets/prices/dow30/IBM.csv");
  EXPECT_EQ(ibm.Format, PriceFormat::Close);
  EXPECT_EQ(ibm.Dates.size(), 2529u);
  EXPECT_EQ(FormatDate(ibm.Dates.front()), "1990-12-31");
  EXPECT_DOUBLE_EQ(ibm.Prices.front(), 27.86);
  EXPECT_THROW(ReadPrices("/nonexistent/prices.csv"), PriceError);
}

}  // namespace
}  // namespace sd::study
