#include "process/task_match.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TaskMatch, TargetIsFoundAnywhereInTheTitle) {
  EXPECT_TRUE(TitleHasTarget(L"ZEFRA VUNO", L"ZEFRA VUNO"));
  EXPECT_TRUE(TitleHasTarget(L"C:\\PROGRAM FILES\\ZEFRA VUNO - EXPLORER", L"ZEFRA VUNO"));
  EXPECT_FALSE(TitleHasTarget(L"ZEFRA VUN", L"ZEFRA VUNO"));
  EXPECT_FALSE(TitleHasTarget(L"", L"ZEFRA VUNO"));
}

TEST(TaskMatch, ABlankTargetMatchesNoTitle) {
  for (const wchar_t* target : {L"", L" ", L"   ", L"\t"}) {
    EXPECT_FALSE(TitleHasTarget(L"ZEFRA INDIR 9.08", target)) << '"' << target << '"';
    EXPECT_FALSE(TitleHasTarget(L"", target));
  }
  EXPECT_TRUE(TitleHasTarget(L"ZEFRA INDIR", L" INDIR"));
}

}  // namespace
