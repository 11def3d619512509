// The reader of configuration files: a tokenizer over the file's bytes and
// the statements it drives.
#include <kiln/qinfo.h>

#include <kiln/qdebug.h>
#include <kiln/qfile.h>

#include <string>

namespace {

constexpr std::size_t kMaxText = 1023;
constexpr int kDeepestLevel = QINFO_MAX_LEVEL - 1;

enum class Token { kEnd, kName, kComment, kOpen, kClose, kAssign, kReference };

class InfoReader {
public:
  InfoReader(QFile &file, QInfo &info, const char *fileName) : file(file), info(info), fileName(fileName) {
    trees[0] = info.GetRoot();
  }

  void Run() {
    for (Token token; (token = NextToken()) != Token::kEnd;) Statement(token);
  }

private:
  static bool IsBlank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
  static bool EndsName(int c) { return c == ' ' || c == '\r' || c == '\n' || c == '=' || c == '~'; }

  int Peek() {
    int c = file.ReadByte();
    if (c != -1) file.UnGetChar(c);
    return c;
  }

  // A token that is the last thing in the data is dropped.
  Token NextToken() {
    int c;
    while ((c = file.ReadByte()) != -1 && IsBlank(c)) {
    }
    if (c == -1) return Token::kEnd;
    Token single = Token::kName;
    switch (c) {
      case ';': single = Token::kComment; break;
      case '{': single = Token::kOpen; break;
      case '}': single = Token::kClose; break;
      case '=': single = Token::kAssign; break;
      case '~': single = Token::kReference; break;
      default: break;
    }
    if (single != Token::kName) return Peek() == -1 ? Token::kEnd : single;
    text.assign(1, static_cast<char>(c));
    while (text.size() < kMaxText) {
      c = file.ReadByte();
      if (c == -1) return Token::kEnd;
      if (EndsName(c)) {
        file.UnGetChar(c);
        return Token::kName;
      }
      text += static_cast<char>(c);
    }
    return Peek() == -1 ? Token::kEnd : Token::kName;
  }

  // The rest of the line after "=", "~" or ";", as it stands.
  void RawText() {
    text.clear();
    for (int c; text.size() < kMaxText && (c = file.ReadByte()) != -1;) {
      if (c == '\n' || c == '\r') return;
      text += static_cast<char>(c);
    }
  }

  void Statement(Token token) {
    switch (token) {
      case Token::kName:
        current = trees[level]->Append(QINFO_NODE, text.c_str());
        break;
      case Token::kAssign:
        if (!current) {
          qwarn("QInfo: assign without symbol\n");
          break;
        }
        RawText();
        current->SetValue(text.c_str());
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
        Refer();
        break;
      case Token::kComment:
        RawText();
        current = trees[level]->Append(QINFO_COMMENT, ";");
        current->SetValue(text.c_str());
        break;
      case Token::kEnd:
        break;
    }
  }

  void Refer() {
    QInfoNode *target = info.FindNode(text.c_str());
    if (!target) {
      qwarn("QInfo(%s): reference (~) to unknown tree '%s'", fileName, text.c_str());
    } else if (!target->child) {
      qwarn("QInfo: ref to tree '%s' without child", text.c_str());
    } else {
      current->type = QINFO_TREE;
      current->reference = target;
    }
  }

  QFile &file;
  QInfo &info;
  const char *fileName;
  QInfoNode *current = nullptr;
  QInfoNode *trees[QINFO_MAX_LEVEL] = {};
  int level = 0;
  std::string text;
};

}  // namespace

void QInfo::Read(QFile &file) { InfoReader(file, *this, fileName).Run(); }
