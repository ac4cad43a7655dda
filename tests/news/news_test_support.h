// What the news tests share: a temporary APPDATA folder per test, raw file
// access to see what lies on disk, and a recorder standing in for the editor
// host's text channel.
#pragma once

#include <string>
#include <vector>

#include "editor_host.h"

// Texts handed to editor_host_send_text, in order. The recorder allocates
// nothing, so allocation-failure tests see only the store's own allocations.
std::vector<std::string> news_test_sent();
void news_test_clear_sent();
// Which host each recorded text went to, in the same order.
std::vector<editor_host*> news_test_sent_hosts();

// Any address serves: the recorder never looks inside.
editor_host* news_test_host(int n = 1);

std::wstring news_test_widen(const std::string& text);
std::string news_test_narrow(const std::wstring& text);

// A fresh folder under the user's temporary folder, named after the process
// and a counter; empty on failure.
std::wstring news_test_make_temp_folder();
void news_test_remove_tree(const std::wstring& path);

bool news_test_set_appdata(const std::wstring& value);  // empty value: unset
std::wstring news_test_appdata();

// Whole files in binary: what the disk holds, CR LF included; false when the
// file cannot be read or written.
bool news_test_read_raw(const std::wstring& path, std::string& content);
bool news_test_write_raw(const std::wstring& path, const std::string& content);
bool news_test_exists(const std::wstring& path);
bool news_test_is_folder(const std::wstring& path);

// Names of the entries of a folder, sorted, without "." and "..".
std::vector<std::string> news_test_list(const std::wstring& folder);
