// Each test gets its own APPDATA: <temp>\skarrow-news-<pid>-<n>\roaming, so
// the folder above it shows anything that escaped the maker folder.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "news_test_support.h"

class news_store_fixture : public ::testing::Test {
 protected:
  void SetUp() override {
    outer = news_test_make_temp_folder();
    ASSERT_FALSE(outer.empty());
    appdata = outer + L"\\roaming";
    ASSERT_TRUE(CreateDirectoryW(appdata.c_str(), nullptr));
    ASSERT_TRUE(news_test_set_appdata(appdata));
    maker = appdata + L"\\Quenvar";
    news_test_clear_sent();
  }
  void TearDown() override {
    news_test_set_appdata(L"");
    news_test_remove_tree(outer);
  }

  std::wstring file(const std::string& relative) const { return maker + L"\\" + news_test_widen(relative); }
  void make_maker() const { CreateDirectoryW(maker.c_str(), nullptr); }
  // Puts raw bytes on disk, creating the maker folder and one id folder.
  void put(const std::string& relative, const std::string& content) const {
    make_maker();
    size_t slash = relative.find('\\');
    if (slash != std::string::npos) CreateDirectoryW(file(relative.substr(0, slash)).c_str(), nullptr);
    ASSERT_TRUE(news_test_write_raw(file(relative), content));
  }
  // Raw bytes on disk, or "(absent)".
  std::string disk(const std::string& relative) const {
    std::string content;
    return news_test_read_raw(file(relative), content) ? content : "(absent)";
  }

  std::wstring outer, appdata, maker;
};
