// Every row of the tables a browser's URL parser made (data/README.md): the
// value, fed through the program's own conversion to the ANSI code page as
// the page's markup comes, resolves to the address the browser requests.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "CodePage.h"
#include "Functions.h"

namespace {

struct TableRow {
  std::string name;
  std::string page;
  std::string value;
  std::string expected;  // "-": no request
};

// The tables stand beside the test program, where the build copies them.
std::string ExeFolder() {
  char path[4096] = {};
#ifdef _WIN32
  const std::size_t size = GetModuleFileNameA(nullptr, path, sizeof path);
#else
  const ssize_t read = readlink("/proc/self/exe", path, sizeof path - 1);
  const std::size_t size = read > 0 ? static_cast<std::size_t>(read) : 0;
#endif
  const std::string exe(path, size);
  return exe.substr(0, exe.find_last_of("\\/") + 1);
}

std::string Unescaped(const std::string& field) {
  std::string text;
  for (std::size_t at = 0; at < field.size(); ++at) {
    if (field[at] != '\\' || at + 1 == field.size()) {
      text += field[at];
      continue;
    }
    const char next = field[++at];
    text += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
  }
  return text;
}

std::vector<TableRow> Rows() {
  std::vector<TableRow> rows;
  for (const char* table : {"url-resolution", "url-random", "url-extra"}) {
    std::ifstream file(ExeFolder() + table + ".tsv", std::ios::binary);
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
      const std::size_t first = line.find('\t');
      const std::size_t second = line.find('\t', first + 1);
      if (line[0] == '#' || second == std::string::npos) continue;
      std::string name = std::string(table) + "_" + std::to_string(number);
      for (char& c : name) c = c == '-' ? '_' : c;
      rows.push_back({name, Unescaped(line.substr(0, first)), Unescaped(line.substr(first + 1, second - first - 1)),
                      Unescaped(line.substr(second + 1))});
    }
  }
  return rows;
}

// The tables hold UTF-8, as the browser's wide text is read in.
std::u32string Characters(const std::string& utf8) {
  std::u32string text;
  for (std::size_t at = 0; at < utf8.size();) {
    const unsigned char first = static_cast<unsigned char>(utf8[at]);
    const int extra = first < 0x80 ? 0 : first < 0xE0 ? 1 : first < 0xF0 ? 2 : 3;
    char32_t c = extra == 0 ? first : first & (0x3F >> extra);
    for (int i = 1; i <= extra && at + i < utf8.size(); ++i) c = (c << 6) | (utf8[at + i] & 0x3F);
    text += c;
    at += 1 + extra;
  }
  return text;
}

class UrlResolutionTableTest : public testing::TestWithParam<TableRow> {};

TEST_P(UrlResolutionTableTest, ResolvesAsABrowser) {
  const TableRow& row = GetParam();
  const std::string address = ResolveImageLink(codepage::EncodeAddress(Characters(row.page)),
                                               codepage::EncodeAddress(Characters(row.value)));
  EXPECT_EQ(address.empty() ? "-" : address, row.expected) << row.page << " | " << row.value;
  // What the scan lists a run requests as it stands.
  if (!address.empty()) {
    EXPECT_EQ(RequestedAddress(address), address);
  }
}

TEST(UrlResolutionTableTest, TheTablesAreThere) { EXPECT_GT(Rows().size(), 3600u); }

INSTANTIATE_TEST_SUITE_P(Table, UrlResolutionTableTest, testing::ValuesIn(Rows()),
                         [](const testing::TestParamInfo<TableRow>& info) { return info.param.name; });

}  // namespace
