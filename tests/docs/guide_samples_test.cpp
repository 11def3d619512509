// The guide's pages quote code; the quotes must be the code the build
// compiles, line for line, so that no sample goes stale.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const fs::path kSource = KILN_SOURCE_DIR;

Lines SplitLines(const std::string &text) {
  Lines lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::size_t Indent(const std::string &line) { return line.find_first_not_of(' '); }

// The lines with the indentation they share taken off.
Lines Dedented(const Lines &lines) {
  std::size_t common = std::string::npos;
  for (const std::string &line : lines)
    if (!line.empty()) common = std::min(common, Indent(line));
  Lines out;
  for (const std::string &line : lines) out.push_back(line.empty() ? line : line.substr(common));
  return out;
}

// True when the sample stands in the file as consecutive lines, all moved
// right by the same number of spaces.
bool Quotes(const Lines &file, const Lines &sample) {
  for (std::size_t at = 0; at + sample.size() <= file.size(); ++at) {
    const std::size_t shift = Indent(file[at]);
    if (shift == std::string::npos) continue;
    bool same = true;
    for (std::size_t i = 0; i < sample.size() && same; ++i)
      same = sample[i].empty() ? file[at + i].empty() : file[at + i] == std::string(shift, ' ') + sample[i];
    if (same) return true;
  }
  return false;
}

struct Sample {
  std::string page;
  int line;
  Lines code;
};

// The ```cpp blocks of every page of the guide.
std::vector<Sample> GuideSamples() {
  std::vector<Sample> samples;
  for (const auto &entry : fs::directory_iterator(kSource / "docs/guide")) {
    if (entry.path().extension() != ".md") continue;
    const Lines page = SplitLines(kiln::test::ReadFile(entry.path()));
    for (std::size_t i = 0; i < page.size(); ++i) {
      if (page[i] != "```cpp") continue;
      Sample sample{entry.path().filename(), static_cast<int>(i + 1), {}};
      while (++i < page.size() && page[i] != "```") sample.code.push_back(page[i]);
      sample.code = Dedented(sample.code);
      samples.push_back(sample);
    }
  }
  return samples;
}

// The files samples may come from: the snippet files and the examples.
std::vector<std::pair<fs::path, Lines>> CompiledFiles() {
  std::vector<std::pair<fs::path, Lines>> files;
  for (const char *directory : {"docs/guide/snippets", "examples"}) {
    for (const auto &entry : fs::directory_iterator(kSource / directory)) {
      const fs::path extension = entry.path().extension();
      if (extension == ".cpp" || extension == ".h")
        files.emplace_back(entry.path(), SplitLines(kiln::test::ReadFile(entry.path())));
    }
  }
  return files;
}

TEST(GuideSamples, EverySampleIsCompiledCode) {
  const std::vector<Sample> samples = GuideSamples();
  const auto files = CompiledFiles();
  EXPECT_GE(samples.size(), 30u) << "the guide's pages were not found";
  for (const Sample &sample : samples) {
    bool found = false;
    for (const auto &[path, lines] : files) found = found || Quotes(lines, sample.code);
    EXPECT_TRUE(found) << sample.page << ":" << sample.line << ": a sample no compiled file holds, starting\n"
                       << (sample.code.empty() ? "" : sample.code[0]);
  }
}

TEST(GuideSamples, EveryMarkedSnippetIsQuoted) {
  const std::vector<Sample> samples = GuideSamples();
  const std::regex marker(R"(^// \[(.+)\]$)");
  for (const auto &entry : fs::directory_iterator(kSource / "docs/guide/snippets")) {
    if (entry.path().extension() != ".cpp") continue;
    const Lines file = SplitLines(kiln::test::ReadFile(entry.path()));
    for (std::size_t i = 0; i < file.size(); ++i) {
      std::smatch name;
      if (!std::regex_match(file[i], name, marker)) continue;
      Lines snippet;
      while (++i < file.size() && file[i] != name[0].str()) snippet.push_back(file[i]);
      ASSERT_LT(i, file.size()) << entry.path() << ": snippet '" << name[1] << "' is never closed";
      bool quoted = false;
      for (const Sample &sample : samples) quoted = quoted || sample.code == Dedented(snippet);
      EXPECT_TRUE(quoted) << entry.path().filename() << ": snippet '" << name[1] << "' is on no page of the guide";
    }
  }
}

}  // namespace
