// Archives exchanged with GNU tar, an independent ustar implementation.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "state_test_support.h"
#include "state/state_blob.h"
#include "state/tar.h"

namespace {

using namespace std::string_literals;

struct temp_folder {
  std::string path;
  temp_folder() {
    char pattern[] = "/tmp/skarrow-tar-XXXXXX";
    const char *made = mkdtemp(pattern);
    path = made ? made : "";
  }
  ~temp_folder() {
    if (!path.empty()) std::system(("rm -rf '" + path + "'").c_str());
  }
};

// Output and exit status of a shell command.
std::pair<std::string, int> run(const std::string &command) {
  std::string out;
  FILE *pipe = popen(command.c_str(), "r");
  if (!pipe) return {"", -1};
  char chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) out.append(chunk, n);
  return {out, pclose(pipe)};
}

void write_file(const std::string &path, const std::string &bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

const std::string gnu_tar = STATE_GNU_TAR;

const entry_list sample_entries = {
    {"version", "1.0"},
    {"empty", ""},
    {"binary", "\0\x01\x7f\x80\xff\0"s},
    {"exactly-one-block", std::string(512, 'a')},
    {"one-byte-over", std::string(513, 'b')},
    {"with space.map", std::string(5000, 'c')},
    {std::string(99, 'n'), "long name"},
};

TEST(tar_interop, gnu_tar_lists_and_extracts_what_tar_write_makes) {
  temp_folder temp;
  ASSERT_FALSE(temp.path.empty());
  byte_map_ptr map(byte_map_create());
  map_insert_all(map.get(), sample_entries);
  size_t size = 0;
  malloc_ptr bytes(tar_write(map.get(), &size));
  ASSERT_TRUE(bytes);
  const std::string file = temp.path + "/ours.tar";
  write_file(file, bytes_text(bytes.get(), size));

  // Names in our key order, sizes, and no complaint (a bad checksum would be one).
  auto [listing, status] = run(gnu_tar + " -tvf '" + file + "' 2>&1");
  ASSERT_EQ(status, 0) << listing;
  std::istringstream lines(listing);
  std::string line;
  entry_list listed;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string mode, owner, length, date, time, name;
    fields >> mode >> owner >> length >> date >> time;
    std::getline(fields >> std::ws, name);
    EXPECT_EQ(mode, "-rw-r--r--") << line;
    listed.push_back({name, length});
  }
  entry_list expected;
  for (const auto &[name, content] : map_entries(map.get())) expected.push_back({name, std::to_string(content.size())});
  EXPECT_EQ(listed, expected);

  for (const auto &[name, content] : sample_entries) {
    auto [extracted, extract_status] = run(gnu_tar + " -xOf '" + file + "' '" + name + "'");
    EXPECT_EQ(extract_status, 0) << name;
    EXPECT_TRUE(extracted == content) << name;
  }
}

TEST(tar_interop, tar_read_reads_gnu_ustar_archives) {
  temp_folder temp;
  ASSERT_FALSE(temp.path.empty());
  const std::string folder = temp.path + "/files";
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  std::string names;
  for (const auto &[name, content] : sample_entries) {
    write_file(folder + "/" + name, content);
    names += " '" + name + "'";
  }
  const std::string file = temp.path + "/theirs.tar";
  auto [message, status] = run(gnu_tar + " --format=ustar -cf '" + file + "' -C '" + folder + "'" + names + " 2>&1");
  ASSERT_EQ(status, 0) << message;
  const std::string archive = read_file(file);
  byte_map_ptr map(tar_read(archive.data(), archive.size()));
  ASSERT_TRUE(map);
  entry_list read = map_entries(map.get());
  entry_list expected = sample_entries;
  std::sort(expected.begin(), expected.end());
  std::sort(read.begin(), read.end());
  EXPECT_EQ(read, expected);
}

TEST(tar_interop, gnu_tar_unpacks_both_levels_of_a_state_blob) {
  temp_folder temp;
  ASSERT_FALSE(temp.path.empty());
  const float values[6] = {50, 50, 50, 100, 100, 0};
  size_t size = 0;
  malloc_ptr blob(state_blob_save(values, 48000, "lv2", &size));
  ASSERT_TRUE(blob);
  const std::string file = temp.path + "/state.tar";
  write_file(file, bytes_text(blob.get(), size));
  auto [outer, outer_status] = run(gnu_tar + " -tf '" + file + "' 2>&1");
  EXPECT_EQ(outer_status, 0);
  EXPECT_EQ(outer, "dsp.tar\n");
  auto [inner, inner_status] = run(gnu_tar + " -xOf '" + file + "' dsp.tar | " + gnu_tar + " -tf - 2>&1");
  EXPECT_EQ(inner_status, 0);
  EXPECT_EQ(inner, "info.map\nparameters.map\nversion\n");
  auto [version, version_status] = run(gnu_tar + " -xOf '" + file + "' dsp.tar | " + gnu_tar + " -xOf - version");
  EXPECT_EQ(version_status, 0);
  EXPECT_EQ(version, "1.0");
}

}  // namespace
