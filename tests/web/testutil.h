#pragma once
// Shared helpers of the web tests: a temporary folder removed afterwards.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

namespace bq::test {

class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/bqweb.XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = std::string(tmpl) + "/";
  }
  void TearDown() override {
    std::string cmd = "rm -rf '" + dir_ + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  std::string dir_;
};

}  // namespace bq::test
