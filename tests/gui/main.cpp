// GUI tests run GoogleTest cases inside one QApplication; without a display
// setting they use the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>

#include "app/gui/desktop_app.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  // Qt's own buttons in Japanese, as the program shows them.
  bq::gui::InstallJapaneseTranslation();
  return RUN_ALL_TESTS();
}
