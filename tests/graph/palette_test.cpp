// The default palette and the pixels its entries draw.
#include <gtest/gtest.h>

#include <tuple>

#include "graph/graph.hpp"

namespace {

std::tuple<int, int, int> Entry(int index) {
  const graph::RGBRec& c = graph::DefaultColors[index];
  return {c.Red, c.Green, c.Blue};
}

TEST(DefaultColors, EntriesTheProgramDrawsWith) {
  EXPECT_EQ(Entry(0), std::make_tuple(0, 0, 0));
  const std::tuple<int, int, int> expected[] = {
      {112, 28, 0}, {112, 56, 0}, {112, 84, 0}, {112, 112, 0}, {84, 112, 0}, {56, 112, 0},
      {28, 112, 0}, {0, 112, 0},  {0, 112, 28}, {0, 112, 56},  {0, 112, 84}, {0, 112, 112},
      {0, 84, 112}, {0, 56, 112}, {0, 28, 112}, {56, 56, 112}};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(Entry(113 + i), expected[i]) << "index " << 113 + i;
}

TEST(DefaultColors, EgaColoursAndGreys) {
  EXPECT_EQ(Entry(1), std::make_tuple(0, 0, 168));
  EXPECT_EQ(Entry(6), std::make_tuple(168, 84, 0));
  EXPECT_EQ(Entry(15), std::make_tuple(252, 252, 252));
  EXPECT_EQ(Entry(16), std::make_tuple(0, 0, 0));
  EXPECT_EQ(Entry(23), std::make_tuple(96, 96, 96));
  EXPECT_EQ(Entry(31), std::make_tuple(252, 252, 252));
}

TEST(DefaultColors, HueGroupsWalkRoundTheColourCircle) {
  // First group, levels 0, 64, 124, 188, 252.
  EXPECT_EQ(Entry(32), std::make_tuple(0, 0, 252));
  EXPECT_EQ(Entry(35), std::make_tuple(188, 0, 252));
  EXPECT_EQ(Entry(36), std::make_tuple(252, 0, 252));
  EXPECT_EQ(Entry(40), std::make_tuple(252, 0, 0));
  EXPECT_EQ(Entry(44), std::make_tuple(252, 252, 0));
  EXPECT_EQ(Entry(48), std::make_tuple(0, 252, 0));
  EXPECT_EQ(Entry(52), std::make_tuple(0, 252, 252));
  EXPECT_EQ(Entry(55), std::make_tuple(0, 64, 252));
  // Second group starts at 56; the last group ends at 247.
  EXPECT_EQ(Entry(56), std::make_tuple(124, 124, 252));
  EXPECT_EQ(Entry(247), std::make_tuple(44, 48, 64));
}

TEST(DefaultColors, LastEightAreBlack) {
  for (int i = 248; i < 256; ++i) EXPECT_EQ(Entry(i), std::make_tuple(0, 0, 0)) << i;
}

TEST(PixelValue, ComponentsAreUsedAsTheyStand) {
  EXPECT_EQ(graph::PixelValue({112, 28, 0}), 0x701C00u);
  EXPECT_EQ(graph::PixelValue({252, 252, 252}), 0xFCFCFCu);
  EXPECT_EQ(graph::PixelValue({0, 0, 168}), 0x0000A8u);
}

}  // namespace
