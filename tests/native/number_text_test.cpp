// The driver selector and the mode as numbers.
#include "settings/number_text.h"

#include <gtest/gtest.h>

namespace {

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
