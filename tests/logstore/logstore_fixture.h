#pragma once
// Shared test helpers: a fresh folder under /tmp, article builders, and a
// manual clock.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <string>

#include "logstore/data_info.h"
#include "platform/fs.h"
#include "platform/sys.h"
#include "platform/ui.h"

namespace bq::testing {

inline TDataInfo Article(std::int32_t topic, std::int32_t refer, std::uint32_t date,
                         std::string title = "t", std::string body = "") {
  TDataInfo a;
  a.TOPIC = topic;
  a.REFER = refer;
  a.DATE = date;
  a.TITLE = std::move(title);
  a.BODY = std::move(body);
  return a;
}

class TempFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/bqlog.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = std::string(tmpl) + "/";
  }
  void TearDown() override {
    sys::CurrentHooks() = sys::RealHooks();
    std::string cmd = "chmod -R u+w '" + dir_ + "' 2>/dev/null; rm -rf '" + dir_ + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  std::string Read(const std::string& path) {
    std::string s;
    fs::ReadFile(path, s);
    return s;
  }
  void Write(const std::string& path, const std::string& data) {
    fs::ForceDirectories(fs::ExtractFilePath(path));
    fs::WriteFileAtomic(path, data);
  }
  std::string dir_;
  RecordingUi ui_;
  std::uint32_t ticks_ = 0;
};

}  // namespace bq::testing
