#include "data/trim.h"

#include <gtest/gtest.h>

#include <string>

namespace sd::data {
namespace {

TEST(Trim, EachSetRemovesOnlyItsOwnBytesAndOnlyAtTheEnds) {
  struct Case {
    std::string in;
    std::string_view blanks;
    std::string out;
  } cases[] = {
      {"  IBM Corp \t", kControlsAndSpace, "IBM Corp"},
      {std::string("\x01\x1F IBM\r\n", 8), kControlsAndSpace, "IBM"},
      {std::string("\0 IBM\0", 6), kControlsAndSpace, "IBM"},  // NUL is a control, not an end
      {"   ", kControlsAndSpace, ""},
      {"", kControlsAndSpace, ""},
      {"\xA0\xCC\xEE\xF1\xA0", kControlsAndSpace, "\xA0\xCC\xEE\xF1\xA0"},  // letters of the code page
      {"a  b", kControlsAndSpace, "a  b"},
      {" 1.5\t", kSpaceTab, "1.5"},
      {"1.5\r", kSpaceTab, "1.5\r"},  // a field set without CR keeps it
      {"1.5\r", kSpaceTabCr, "1.5"},
      {"\x01x\x01", kSpaceTab, "\x01x\x01"},
  };
  for (const auto& c : cases) EXPECT_EQ(std::string(Trim(c.in, c.blanks)), c.out) << c.in;
  EXPECT_EQ(TrimNameBlanks(" \x7F x \n"), "\x7F x");  // DEL is 127: not below 33
}

}  // namespace
}  // namespace sd::data
