// The mode table the screen's room allows, the colour-depth lists, and the
// search InitGraph makes in them.
#include "modes.hpp"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using Size = std::pair<int, int>;

std::vector<Size> Sizes(const std::vector<graph::ModeInfo>& list) {
  std::vector<Size> sizes;
  for (const graph::ModeInfo& m : list) sizes.emplace_back(m.MaxX + 1, m.MaxY + 1);
  return sizes;
}

std::vector<std::pair<int, int>> DriversAndModes() {
  std::vector<std::pair<int, int>> rows;
  for (const graph::ModeInfo& m : graph::ModeList())
    rows.emplace_back(m.DriverNumber, m.ModeNumber);
  return rows;
}

TEST(ModeTable, LargeScreenRegistersEveryFixedModeInTableOrder) {
  graph::RegisterModes(1600, 1200, 1600, 1150);
  const std::vector<std::pair<int, int>> expected = {
      {9, 2},    {9, 0},    {9, 1},    {10, 256}, {10, 257}, {10, 258}, {10, 259}, {10, 260},
      {10, 261}, {10, 262}, {10, 263}, {10, 240}, {10, 241}, {10, 245}, {10, 246}};
  EXPECT_EQ(DriversAndModes(), expected);
  for (const graph::ModeInfo& m : graph::ModeList()) EXPECT_EQ(m.PaletteSize, m.MaxColor);
}

TEST(ModeTable, EachFixedModeNeedsItsOwnRoom) {
  graph::RegisterModes(640, 350, 600, 300);
  const std::vector<std::pair<int, int>> expected = {{9, 0},    {9, 1},    {10, 240},
                                                     {10, 241}, {10, 245}, {10, 246}};
  EXPECT_EQ(DriversAndModes(), expected);

  graph::RegisterModes(1279, 1024, 1279, 1000);
  bool has1024 = false;
  for (const graph::ModeInfo& m : graph::ModeList()) {
    EXPECT_NE(m.ModeNumber, 263);
    has1024 = has1024 || m.ModeNumber == 261;
  }
  EXPECT_TRUE(has1024);
}

TEST(ModeTable, ScreenSizedModesTakeTheRoomMeasures) {
  graph::RegisterModes(1016, 741, 1024, 709);
  const std::vector<graph::ModeInfo>& all = graph::ModeList();
  ASSERT_GE(all.size(), 4u);
  const graph::ModeInfo& framed = all[all.size() - 3];
  const graph::ModeInfo& maximised = all[all.size() - 1];
  EXPECT_EQ(framed.ModeNumber, 241);
  EXPECT_EQ(framed.MaxX, 1015);
  EXPECT_EQ(framed.MaxY, 740);
  EXPECT_EQ(framed.MaxColor, 256);
  EXPECT_EQ(maximised.ModeNumber, 246);
  EXPECT_EQ(maximised.MaxX, 1023);
  EXPECT_EQ(maximised.MaxY, 708);
}

TEST(DepthLists, The256ColourListIsOrderedByWidthThenHeight) {
  graph::RegisterModes(1600, 1200, 1600, 1150);
  const std::vector<Size> expected = {{640, 400},   {640, 480},   {800, 600},  {1024, 768},
                                      {1280, 1024}, {1600, 1150}, {1600, 1200}};
  EXPECT_EQ(Sizes(graph::DepthList(15)), expected);
}

TEST(DepthLists, AScreenSizedEntryIsInsertedWithoutRemovingAny) {
  graph::RegisterModes(1100, 700, 1100, 650);
  const std::vector<Size> expected = {{640, 400}, {640, 480}, {800, 600}, {1100, 650}, {1100, 700}};
  EXPECT_EQ(Sizes(graph::DepthList(15)), expected);
}

TEST(DepthLists, AnEntryOfTheSameSizeIsReplacedInPlace) {
  graph::RegisterModes(800, 600, 800, 560);
  const std::vector<graph::ModeInfo>& list = graph::DepthList(15);
  ASSERT_EQ(Sizes(list), (std::vector<Size>{{640, 400}, {640, 480}, {800, 560}, {800, 600}}));
  EXPECT_EQ(list[3].ModeNumber, 241);
  EXPECT_EQ(Sizes(graph::DepthList(13)),
            (std::vector<Size>{{640, 200}, {640, 350}, {640, 480}, {800, 560}, {800, 600}}));
  EXPECT_EQ(graph::DepthList(13).back().ModeNumber, 240);
}

TEST(DepthLists, ColourCountsPickTheirDriver) {
  EXPECT_EQ(graph::DepthDriver(2), 11);
  EXPECT_EQ(graph::DepthDriver(16), 13);
  EXPECT_EQ(graph::DepthDriver(256), 15);
  EXPECT_EQ(graph::DepthDriver(65536), 18);
  EXPECT_EQ(graph::DepthDriver(8), -1);
  graph::RegisterModes(1024, 768, 1024, 740);
  EXPECT_TRUE(graph::DepthList(11).empty());
  EXPECT_TRUE(graph::DepthList(19).empty());
}

TEST(SearchMode, ProgramRequestFindsThe800x600EntryOfThe256ColourList) {
  graph::RegisterModes(1272, 997, 1280, 977);
  const graph::ModeInfo* m = graph::SearchMode(15, 30010);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->ModeNumber, 259);
  EXPECT_EQ(m->MaxX, 799);
  EXPECT_EQ(m->MaxY, 599);
  EXPECT_EQ(m->MaxColor, 256);
}

TEST(SearchMode, ExactScreenSizesTakeThe800x600Place) {
  graph::RegisterModes(800, 600, 800, 570);
  ASSERT_NE(graph::SearchMode(15, 30010), nullptr);
  EXPECT_EQ(graph::SearchMode(15, 30010)->ModeNumber, 241);

  graph::RegisterModes(1016, 741, 800, 600);
  ASSERT_NE(graph::SearchMode(15, 30010), nullptr);
  EXPECT_EQ(graph::SearchMode(15, 30010)->ModeNumber, 246);

  // Without room, only an exact maximised size helps.
  graph::RegisterModes(790, 590, 800, 600);
  ASSERT_NE(graph::SearchMode(15, 30010), nullptr);
  EXPECT_EQ(graph::SearchMode(15, 30010)->ModeNumber, 246);
}

TEST(SearchMode, NoRoomNoMode) {
  graph::RegisterModes(799, 741, 799, 700);
  EXPECT_EQ(graph::SearchMode(15, 30010), nullptr);
  graph::RegisterModes(1016, 599, 1016, 580);
  EXPECT_EQ(graph::SearchMode(15, 30010), nullptr);
}

TEST(SearchMode, DepthDriversTakeListNumbersOtherDriversModeNumbers) {
  graph::RegisterModes(1024, 768, 1024, 740);
  // List 15: 640x400, 640x480, 800x600, 1024x740, 1024x768.
  ASSERT_NE(graph::SearchMode(15, 4), nullptr);
  EXPECT_EQ(graph::SearchMode(15, 4)->ModeNumber, 246);
  EXPECT_EQ(graph::SearchMode(15, 6), nullptr);
  EXPECT_EQ(graph::SearchMode(15, 0), nullptr);
  EXPECT_EQ(graph::SearchMode(15, 30013), nullptr);  // 1280 x 1024
  ASSERT_NE(graph::SearchMode(10, 257), nullptr);
  EXPECT_EQ(graph::SearchMode(10, 257)->MaxY, 479);
  EXPECT_EQ(graph::SearchMode(9, 257), nullptr);
  EXPECT_EQ(graph::SearchMode(19, 1), nullptr);
  ASSERT_NE(graph::SearchMode(13, 30007), nullptr);  // 640 x 350, 16 colours
  EXPECT_EQ(graph::SearchMode(13, 30007)->ModeNumber, 1);
}

}  // namespace
