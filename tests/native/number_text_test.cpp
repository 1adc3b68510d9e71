// Numbers written as text: the shared digit and hex readers, the driver selector and the mode.
#include "settings/number_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "platform/text.h"

namespace {

TEST(DecimalValue, ReadsDigitsOnlyAndRefusesWhatOverflowsTheLimit) {
  const std::tuple<const char*, uint64_t, std::optional<uint64_t>> cases[] = {
      {"0", UINT64_MAX, 0},
      {"007", UINT64_MAX, 7},
      {"18446744073709551615", UINT64_MAX, UINT64_MAX},
      {"18446744073709551616", UINT64_MAX, std::nullopt},
      {"99999999999999999999", UINT64_MAX, std::nullopt},
      {"65535", 65535, 65535},
      {"65536", 65535, std::nullopt},
      {"", UINT64_MAX, std::nullopt},
      {"+1", UINT64_MAX, std::nullopt},
      {" 1", UINT64_MAX, std::nullopt},
      {"1\xD9\xA1", UINT64_MAX, std::nullopt},
  };
  for (const auto& [text, max, value] : cases)
    EXPECT_EQ(DecimalValue(std::string_view(text), max), value) << text;
  EXPECT_EQ(DecimalValue(std::wstring_view(L"\u0661")), std::nullopt);
}

TEST(HexText, WritesAndReadsTwoDigitsPerByte) {
  const uint8_t bytes[] = {0x00, 0x9F, 0xA0, 0xFF};
  EXPECT_EQ(HexText(bytes), L"009fa0ff");
  EXPECT_EQ(HexText(bytes, true), L"009FA0FF");
  uint8_t read[4] = {};
  EXPECT_TRUE(HexBytes("009Fa0fF", read));
  EXPECT_TRUE(std::equal(std::begin(read), std::end(read), std::begin(bytes)));
  EXPECT_FALSE(HexBytes("009fa0f", read));
  EXPECT_FALSE(HexBytes("009fa0fg", read));
}

TEST(DriverSelector, ConvertsToSixteenBitsRoundingHalvesToEven) {
  EXPECT_EQ(ToDriverSelector(L"8"), 8);
  EXPECT_EQ(ToDriverSelector(L" 8 "), 8);
  EXPECT_EQ(ToDriverSelector(L"8.5"), 8);
  EXPECT_EQ(ToDriverSelector(L"7.5"), 8);
  EXPECT_EQ(ToDriverSelector(L"7.50001"), 8);
  EXPECT_EQ(ToDriverSelector(L"8.4999"), 8);
  EXPECT_EQ(ToDriverSelector(L"8.51"), 9);
  EXPECT_EQ(ToDriverSelector(L"0.5"), 0);
  EXPECT_EQ(ToDriverSelector(L".5"), 0);
  EXPECT_EQ(ToDriverSelector(L"-2.5"), -2);
  EXPECT_EQ(ToDriverSelector(L"-3.5"), -4);
  EXPECT_EQ(ToDriverSelector(L"+008."), 8);
  EXPECT_EQ(ToDriverSelector(L"32767"), 32767);
  EXPECT_EQ(ToDriverSelector(L"-32768"), -32768);
  EXPECT_EQ(ToDriverSelector(L"-32768.5"), -32768);
}

TEST(DriverSelector, FailsForTextThatIsNotASixteenBitNumber) {
  for (const wchar_t* text : {L"", L" ", L"x", L"8x", L"8 8", L".", L"-", L"8,5", L"0x8", L"1e1", L"inf",
                              L"40000", L"32768", L"32767.5", L"-32769", L"99999999999999999999"}) {
    EXPECT_EQ(ToDriverSelector(text), std::nullopt) << text;
  }
}

TEST(ModeNumber, OnlyTwoAsksForTheExtraValues) {
  EXPECT_EQ(IsNumberTwo(L"2"), true);
  EXPECT_EQ(IsNumberTwo(L"2.0"), true);
  EXPECT_EQ(IsNumberTwo(L" 02 "), true);
  EXPECT_EQ(IsNumberTwo(L"1"), false);
  EXPECT_EQ(IsNumberTwo(L"2.5"), false);
  EXPECT_EQ(IsNumberTwo(L"-2"), false);
  EXPECT_EQ(IsNumberTwo(L"20"), false);
  EXPECT_EQ(IsNumberTwo(L""), std::nullopt);
  EXPECT_EQ(IsNumberTwo(L"iki"), std::nullopt);
}

}  // namespace
