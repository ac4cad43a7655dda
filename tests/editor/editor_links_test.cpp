// Runs beside a stand-in rundll32 (the program folder comes first when a
// command line is resolved), which records the command line it was given.
#include "editor_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> lines_of(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(EditorLinks, WebAddressesOpenOutsideAndFilesStayInside) {
  editor_fixture f;
  std::string log = f.folder + "\\rundll32.log";
  SetEnvironmentVariableA("SKARROW_RUNDLL32_LOG", log.c_str());
  editor_host* host = f.create();
  ASSERT_NE(host, nullptr);
  HWND window = host->editor_window;

  struct link_case {
    bool new_window;
    const wchar_t* uri;
    const char* outcome;
    const char* command;  // null: nothing started
  } cases[] = {
      {false, L"https://example.com/a b", "NavigationStarting 0x00000000 cancel 1",
       "rundll32 url.dll,FileProtocolHandler \"https://example.com/a b\""},
      {false, L"FILE:///C:/page/index.html", "NavigationStarting 0x00000000 cancel 1",
       "rundll32 url.dll,FileProtocolHandler \"FILE:///C:/page/index.html\""},
      {false, L"mailto:someone@example.com", "NavigationStarting 0x00000000 cancel 1",
       "rundll32 url.dll,FileProtocolHandler \"mailto:someone@example.com\""},
      {false, L"fil", "NavigationStarting 0x00000000 cancel 1", "rundll32 url.dll,FileProtocolHandler \"fil\""},
      {false, L"file:///C:/page/index.html", "NavigationStarting 0x00000000 cancel 0", nullptr},
      {true, L"http://example.org/news?id=7", "NewWindowRequested 0x00000000 handled 1",
       "rundll32 url.dll,FileProtocolHandler \"http://example.org/news?id=7\""},
      {true, L"File:///C:/x", "NewWindowRequested 0x00000000 handled 1",
       "rundll32 url.dll,FileProtocolHandler \"File:///C:/x\""},
      {true, L"file:///C:/page/help.html", "NewWindowRequested 0x00000000 handled 0", nullptr},
  };
  for (const link_case& c : cases) {
    SCOPED_TRACE(utf8_of(c.uri));
    DeleteFileA(log.c_str());
    f.clear_records();
    ASSERT_TRUE(c.new_window ? f.probe.inject_new_window(window, c.uri) : f.probe.inject_navigation(window, c.uri));
    // The editor thread waits for the started program before it answers.
    ASSERT_TRUE(f.pump_until([&] { return !f.records(window).empty(); }));
    EXPECT_EQ(f.records(window), std::vector<std::string>{c.outcome});
    if (c.command)
      EXPECT_EQ(lines_of(log), std::vector<std::string>{c.command});
    else
      EXPECT_TRUE(lines_of(log).empty());
  }
  // Arguments without an address: the runtime's code comes back, nothing starts.
  f.probe.fail[standin_fail_get_uri] = E_FAIL;
  for (bool new_window : {false, true}) {
    DeleteFileA(log.c_str());
    f.clear_records();
    const wchar_t* uri = L"https://example.com/";
    ASSERT_TRUE(new_window ? f.probe.inject_new_window(window, uri) : f.probe.inject_navigation(window, uri));
    ASSERT_TRUE(f.pump_until([&] { return !f.records(window).empty(); }));
    EXPECT_EQ(f.records(window), std::vector<std::string>{new_window ? "NewWindowRequested 0x80004005 handled 0"
                                                                     : "NavigationStarting 0x80004005 cancel 0"});
    EXPECT_TRUE(lines_of(log).empty());
  }
  f.probe.fail[standin_fail_get_uri] = S_OK;

  // The page is still shown and still answers.
  f.clear_records();
  f.page_says(host, "g");
  EXPECT_EQ(f.posts(window).size(), 6u);
  editor_host_destroy(host);
}

}  // namespace
