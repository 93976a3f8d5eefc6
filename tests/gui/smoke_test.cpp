#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>

// Japanese captions need a font that holds them; without one every caption
// draws as boxes.
TEST(GuiEnvironment, AFontWithJapaneseIsInstalled) {
  EXPECT_FALSE(QFontDatabase::families(QFontDatabase::Japanese).isEmpty());
}
