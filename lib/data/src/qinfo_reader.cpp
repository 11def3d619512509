// The reader of configuration files: a tokenizer over the file's bytes and
// the statements it drives.
#include <kiln/qinfo.h>

#include <kiln/qdebug.h>
#include <kiln/qfile.h>

#include <string>
#include <string_view>

namespace {

constexpr std::size_t kMaxText = 1023;
constexpr int kDeepestLevel = QINFO_MAX_LEVEL - 1;

enum class Token { kEnd, kName, kComment, kOpen, kClose, kAssign, kReference };

class InfoReader {
public:
  InfoReader(std::string_view data, QInfo &info, const char *fileName) : data(data), info(info), fileName(fileName) {
    trees[0] = info.GetRoot();
  }

  void Run() {
    for (Token token; (token = NextToken()) != Token::kEnd;) Statement(token);
  }

private:
  static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
  static bool EndsName(char c) { return c == ' ' || c == '\r' || c == '\n' || c == '=' || c == '~'; }

  bool AtEnd() const { return at >= data.size(); }

  // A token that is the last thing in the data is dropped.
  Token NextToken() {
    while (!AtEnd() && IsBlank(data[at])) ++at;
    if (AtEnd()) return Token::kEnd;
    Token single = Token::kName;
    switch (data[at]) {
      case ';': single = Token::kComment; break;
      case '{': single = Token::kOpen; break;
      case '}': single = Token::kClose; break;
      case '=': single = Token::kAssign; break;
      case '~': single = Token::kReference; break;
      default: break;
    }
    if (single != Token::kName) {
      ++at;
      return AtEnd() ? Token::kEnd : single;
    }
    std::size_t start = at++;
    while (!AtEnd() && at - start < kMaxText && !EndsName(data[at])) ++at;
    text = data.substr(start, at - start);
    return AtEnd() ? Token::kEnd : Token::kName;
  }

  // The rest of the line after "=", "~" or ";", as it stands.
  void RawText() {
    std::size_t start = at;
    while (!AtEnd() && at - start < kMaxText && data[at] != '\n' && data[at] != '\r') ++at;
    text = data.substr(start, at - start);
    if (!AtEnd() && (data[at] == '\n' || data[at] == '\r')) ++at;
  }

  void Statement(Token token) {
    switch (token) {
      case Token::kName:
        current = trees[level]->Append(QINFO_NODE, text);
        break;
      case Token::kAssign:
        if (!current) {
          qwarn("QInfo: assign without symbol\n");
          break;
        }
        RawText();
        current->SetValue(text.data(), text.size());
        break;
      case Token::kOpen:
        if (!current) {
          qwarn("QInfo: { without groupname");
          break;
        }
        current->type = QINFO_TREE;
        if (level == kDeepestLevel) {
          qwarn("QInfo: '%s' nests too deep (max %d levels)", fileName, QINFO_MAX_LEVEL);
        } else {
          ++level;
        }
        trees[level] = current;
        break;
      case Token::kClose:
        if (level > 0) --level;
        break;
      case Token::kReference:
        if (!current) {
          qwarn("QInfo: reference without symbol\n");
          break;
        }
        RawText();
        Refer(std::string(text));
        break;
      case Token::kComment:
        RawText();
        current = trees[level]->Append(QINFO_COMMENT, ";");
        current->SetValue(text.data(), text.size());
        break;
      case Token::kEnd:
        break;
    }
  }

  void Refer(const std::string &path) {
    QInfoNode *target = info.FindNode(path.c_str());
    if (!target) {
      qwarn("QInfo(%s): reference (~) to unknown tree '%s'", fileName, path.c_str());
    } else if (!target->child) {
      qwarn("QInfo: ref to tree '%s' without child", path.c_str());
    } else {
      current->type = QINFO_TREE;
      current->reference = target;
    }
  }

  std::string_view data;
  std::size_t at = 0;
  QInfo &info;
  const char *fileName;
  QInfoNode *current = nullptr;
  QInfoNode *trees[QINFO_MAX_LEVEL] = {};
  int level = 0;
  std::string_view text;
};

}  // namespace

void QInfo::Read(QFile &file) {
  if (file.IsMemoryFile()) {
    std::string_view data(reinterpret_cast<const char *>(file.GetMemoryLeft()),
                          static_cast<std::size_t>(file.GetMemoryLeftSize()));
    InfoReader(data, *this, fileName).Run();
    return;
  }
  // An empty file, or one that could not be preloaded.
  std::string data;
  for (int c; (c = file.ReadByte()) != -1;) data += static_cast<char>(c);
  InfoReader(data, *this, fileName).Run();
}
