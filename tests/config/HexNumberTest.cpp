#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <ostream>
#include <string>

#include "config/HexNumber.h"
#include "support/CaseName.h"

namespace tarnwell {
namespace {

struct HexCase {
  std::string Text;
  unsigned Width;
  bool Ok;
  std::uint64_t Value;  // only when Ok
  std::size_t End;      // only when Ok; a failure uses up the whole text
};

void PrintTo(const HexCase& c, std::ostream* os) {
  *os << ::testing::PrintToString(c.Text) << " at width " << c.Width;
}

class ReadHexNumberTest : public ::testing::TestWithParam<HexCase> {};

TEST_P(ReadHexNumberTest, ReadsAsTheFileMeansIt) {
  const HexCase& c = GetParam();
  HexNumber n = ReadHexNumber(c.Text, c.Width);
  ASSERT_EQ(n.Ok, c.Ok) << "value read: 0x" << std::hex << n.Value;
  if (c.Ok) {
    EXPECT_EQ(n.Value, c.Value)
        << std::hex << "got 0x" << n.Value << ", want 0x" << c.Value;
    EXPECT_EQ(n.End, c.End);
  } else {
    EXPECT_EQ(n.End, c.Text.size()) << "a failed reading uses up the text";
  }
}

constexpr std::uint64_t kAll64 = ~std::uint64_t{0};

const HexCase kHexCases[] = {
    // Hexadecimal always, with or without 0x.
    {"1234", 16, true, 0x1234, 4},
    {"0x1234", 16, true, 0x1234, 6},
    {"0X1234", 16, true, 0x1234, 6},
    {"10", 32, true, 0x10, 2},
    {"aBcDeF", 32, true, 0xABCDEF, 6},
    {"0", 16, true, 0, 1},
    {"0y", 16, true, 0, 1},
    {"0x0x1", 32, true, 0, 3},
    {"000000000000000000001", 16, true, 1, 21},
    // Blanks before the number; the first non-digit ends it.
    {" \t\n\v\f\r12", 32, true, 0x12, 8},
    {"12 34", 32, true, 0x12, 2},
    {"12G4", 32, true, 0x12, 2},
    {"12,3", 32, true, 0x12, 2},
    {std::string{'7', '\0', '8'}, 32, true, 7, 1},
    // Signs; "-" negates modulo 2^width.
    {"+2A", 16, true, 0x2A, 3},
    {"-1", 16, true, 0xFFFF, 2},
    {"-1", 32, true, 0xFFFFFFFF, 2},
    {"-1", 64, true, kAll64, 2},
    {"-2", 64, true, kAll64 - 1, 2},
    {"-FFFF", 16, true, 1, 5},
    {"-0x10", 16, true, 0xFFF0, 5},
    {"-0", 32, true, 0, 2},
    // Range of each width.
    {"FFFF", 16, true, 0xFFFF, 4},
    {"10000", 16, false, 0, 0},
    {"-10000", 16, false, 0, 0},
    {"FFFFFFFF", 32, true, 0xFFFFFFFF, 8},
    {"100000000", 32, false, 0, 0},
    {"-100000000", 32, false, 0, 0},
    {"123456789ABCDEF01", 32, false, 0, 0},
    {"100000000000000000000000", 16, false, 0, 0},
    // Width 64 saturates instead of failing.
    {"FFFFFFFFFFFFFFFF", 64, true, kAll64, 16},
    {"10000000000000000", 64, true, kAll64, 17},
    {"123456789ABCDEF0123x", 64, true, kAll64, 19},
    {"-10000000000000000", 64, true, kAll64, 18},
    {"456789ABCDEF", 64, true, 0x456789ABCDEF, 12},
    // No digit: failure.
    {"", 32, false, 0, 0},
    {"  \t", 32, false, 0, 0},
    {"0x", 32, false, 0, 0},
    {"0xg1", 32, false, 0, 0},
    {"x12", 32, false, 0, 0},
    {"-", 32, false, 0, 0},
    {"+-1", 32, false, 0, 0},
    {"- 1", 32, false, 0, 0},
    {"0x-1", 32, false, 0, 0},
    {"zz", 16, false, 0, 0},
    {std::string{'\0', '1', '2'}, 32, false, 0, 0},
};

// "minus_1_in_16_bits", "blank_blank_12_in_32_bits".
std::string CaseText(const HexCase& c) {
  std::string text;
  for (char ch : c.Text) {
    if (std::isspace(static_cast<unsigned char>(ch))) {
      text += " blank ";
    } else {
      text += ch;
    }
  }
  return (text.empty() ? "nothing" : text) + " in " + std::to_string(c.Width) +
         " bits";
}

INSTANTIATE_TEST_SUITE_P(Hexadecimal, ReadHexNumberTest,
                         ::testing::ValuesIn(kHexCases),
                         testing::NamedByWords<HexCase>(CaseText));

TEST(ReadHexNumberFrom, StartsAtTheGivenPosition) {
  HexNumber n = ReadHexNumber("ab-cd-ef", 32, 3);
  ASSERT_TRUE(n.Ok);
  EXPECT_EQ(n.Value, 0xCDu);
  EXPECT_EQ(n.End, 5u);
}

TEST(ReadHexNumberFrom, NothingIsLeftAfterAFailureOrTheEnd) {
  const std::string text = "12345-6";
  HexNumber failed = ReadHexNumber(text, 16);
  ASSERT_FALSE(failed.Ok);
  EXPECT_FALSE(ReadHexNumber(text, 16, failed.End).Ok);

  HexNumber whole = ReadHexNumber("42", 16);
  ASSERT_TRUE(whole.Ok);
  EXPECT_FALSE(ReadHexNumber("42", 16, whole.End).Ok);
}

}  // namespace
}  // namespace tarnwell
