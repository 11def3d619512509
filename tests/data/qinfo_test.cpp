// Configuration trees: the reader's rules, lookups, changes, the written
// form and the safety of writing.
#include <gtest/gtest.h>

#include <kiln/qinfo.h>
#include <kiln/qstring.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "message_capture.h"
#include "test_support.h"

using kiln::test::MessageCapture;
using kiln::test::ReadFile;
using kiln::test::TempDir;
using Texts = std::vector<std::string>;

namespace {

// A tree read from the given text; warnings are collected.
class InfoFromText {
public:
  explicit InfoFromText(const std::string &text) {
    dir.WriteFile("config.ini", text);
    info = std::make_unique<QInfo>(dir.Path("config.ini").c_str());
    warnings = capture.Take();
  }

  std::string Value(const char *path, const char *def = "<default>") {
    char value[1024];
    bool found = info->GetString(path, value, def);
    return std::string(found ? "" : "!") + value;
  }

  std::string Written() {
    std::string out = dir.Path("written.ini");
    EXPECT_EQ(info->Write(out.c_str()), 1);
    return ReadFile(out);
  }

  TempDir dir;
  MessageCapture capture;
  std::unique_ptr<QInfo> info;
  std::string warnings;
};

TEST(QInfoReader, RawTextAfterTheEqualsSignIsKeptAsItStands) {
  InfoFromText t("a = 1\nb=x  \nc=\nd=with = and ~ and ;\n");
  EXPECT_EQ(t.Value("a"), " 1");
  EXPECT_EQ(t.info->GetInt("a", 0), 1);
  EXPECT_EQ(t.Value("b"), "x  ");
  EXPECT_EQ(t.Value("c"), "");
  EXPECT_EQ(t.Value("d"), "with = and ~ and ;");
  EXPECT_EQ(t.warnings, "");
}

TEST(QInfoReader, ATokenAtTheVeryEndOfTheDataIsDropped) {
  InfoFromText bare("x");
  EXPECT_EQ(bare.info->GetChildCount(""), 0);
  InfoFromText ended("x\n");
  EXPECT_EQ(ended.Value("x", "def"), "?");
  EXPECT_TRUE(ended.info->IsNode("x"));
  InfoFromText value("y=last");  // raw text runs to the end of the data
  EXPECT_EQ(value.Value("y"), "last");
}

TEST(QInfoReader, NamesEndOnlyAtBlanksLineEndsAndSigns) {
  InfoFromText t("name{\n}\nafter\ttab=1\nlong~\n");
  EXPECT_TRUE(t.info->IsNode("name{"));
  EXPECT_EQ(t.Value("after\ttab"), "1");  // a tab is part of the name
  EXPECT_TRUE(t.info->IsNode("after\ttab"));
  EXPECT_EQ(t.info->GetChildCount(""), 3);
  std::string huge(1500, 'n');
  InfoFromText longName(huge + "=v\n");
  // The first 1023 characters make one name, the rest the next one.
  EXPECT_TRUE(longName.info->IsNode(std::string(1023, 'n').c_str()));
  EXPECT_EQ(longName.Value(std::string(477, 'n').c_str()), "v");
}

TEST(QInfoReader, TreesCommentsAndLevels) {
  InfoFromText t(
      "; top comment\n"
      "general\n"
      "{\n"
      "  minchar=32\n"
      "  screen\n"
      "  {\n"
      "    width=640\n"
      "  }\n"
      "}\n"
      "}\n"  // a stray closing brace stays at the top level
      "last=1\n");
  EXPECT_EQ(t.info->GetInt("general.minchar"), 32);
  EXPECT_EQ(t.info->GetInt("general.screen.width"), 640);
  EXPECT_EQ(t.info->GetInt("..general..screen.width."), 640);  // empty components are skipped
  EXPECT_TRUE(t.info->IsNode("last"));
  EXPECT_TRUE(t.info->IsTree("general.screen"));
  EXPECT_EQ(t.info->GetChildCount(""), 3);
  EXPECT_EQ(t.info->GetChildCount("general"), 2);
  EXPECT_EQ(t.info->GetChildCount("general.minchar"), 0);
  EXPECT_EQ(t.info->FindNode(""), t.info->GetRoot());
  EXPECT_EQ(t.Value("general.minchar.x"), "!<default>");  // runs into a value
  EXPECT_EQ(t.warnings, "");
}

TEST(QInfoReader, EveryProblemIsAWarningAndTheTreeStillComes) {
  InfoFromText t("= {\n~ nowhere\nempty\n{\n}\nref~missing.tree\nbad~empty\nok=1\n");
  EXPECT_EQ(t.warnings,
            "QInfo: assign without symbol\n"
            "QInfo: { without groupname\n"
            "QInfo: reference without symbol\n"
            "QInfo(" + t.dir.Path("config.ini") + "): reference (~) to unknown tree 'missing.tree'\n"
            "QInfo: ref to tree 'empty' without child\n");
  EXPECT_EQ(t.info->GetInt("ok"), 1);
  // Text after a refused "=" or "~" is read as tokens.
  EXPECT_TRUE(t.info->IsNode("nowhere"));
  EXPECT_TRUE(t.info->IsNode("ref"));
}

TEST(QInfoReader, NestingStopsAtTheDeepestLevel) {
  std::string text;
  for (int i = 0; i < 11; ++i) text += "t" + std::to_string(i) + "\n{\n";
  text += "leaf=1\n";
  InfoFromText t(text);
  std::string warning = "QInfo: '" + t.dir.Path("config.ini") + "' nests too deep (max 10 levels)\n";
  EXPECT_EQ(t.warnings, warning + warning);  // for t9 and for t10
  // Each of them took the place of the level-9 tree, below the one before.
  EXPECT_EQ(t.info->GetInt("t0.t1.t2.t3.t4.t5.t6.t7.t8.t9.t10.leaf"), 1);
}

TEST(QInfoReader, MissingFilesAndQuietness) {
  MessageCapture capture;
  QInfo quiet("/nonexistent/kiln.ini", QINFO_QUIET);
  EXPECT_FALSE(quiet.IsLoaded());
  EXPECT_EQ(capture.Take(), "");
  QInfo loud("/nonexistent/kiln.ini");
  EXPECT_EQ(capture.Take(), "QInfo: can't open '/nonexistent/kiln.ini'\n");
}

TEST(QInfoLookup, ReferencesFallThroughToTheReferredTree) {
  InfoFromText t(
      "base\n{\n  b=from base\n  c=base c\n}\n"
      "derived~base\n{\n  c=own c\n}\n"
      "again~derived\n{\n  d=3\n}\n");
  EXPECT_EQ(t.Value("derived.b"), "from base");
  EXPECT_EQ(t.Value("derived.c"), "own c");
  EXPECT_EQ(t.Value("again.b"), "from base");  // through two references
  EXPECT_EQ(t.Value("again.c"), "own c");
  EXPECT_EQ(t.info->GetChildCount("derived"), 1);  // own children only
  EXPECT_EQ(t.Written(),
            "base\n{\n  b=from base\n  c=base c\n}\n"
            "derived~base\n{\n  c=own c\n}\n"
            "again~derived\n{\n  d=3\n}\n");
}

TEST(QInfoLookup, NumbersListsAndDefaults) {
  InfoFromText t("n=0x10+1\nf=2.5\nb=0\nlist=1, 2 $10,7\nfloats=0.5,1.5\n");
  EXPECT_EQ(t.info->GetInt("n"), 17);
  EXPECT_EQ(t.info->GetInt("missing", -4), -4);
  EXPECT_FLOAT_EQ(t.info->GetFloat("f"), 2.5f);
  EXPECT_FALSE(t.info->GetBool("b", true));
  EXPECT_TRUE(t.info->GetBool("missing", true));
  EXPECT_EQ(t.info->GetInt(qstring("n")), 17);
  int values[5] = {9, 9, 9, 9, 9};
  EXPECT_TRUE(t.info->GetInts("list", 5, values));
  EXPECT_EQ(std::vector<int>(values, values + 5), (std::vector<int>{1, 2, 16, 7, 0}));
  int untouched[2] = {9, 9};
  EXPECT_FALSE(t.info->GetInts("missing", 2, untouched));
  EXPECT_EQ(untouched[0], 9);
  EXPECT_TRUE(t.info->GetInt4("missing", values));
  EXPECT_EQ(values[3], 0);
  EXPECT_TRUE(t.info->GetInt2("list", values));
  EXPECT_EQ(values[1], 2);
  float floats[3];
  EXPECT_TRUE(t.info->GetFloats(qstring("floats"), 3, floats));
  EXPECT_FLOAT_EQ(floats[1], 1.5f);
  EXPECT_FLOAT_EQ(floats[2], 0.0f);
  EXPECT_STREQ(t.info->GetString("list"), "1, 2 $10,7");
  qstring out;
  EXPECT_FALSE(t.info->GetString("missing", out, "fallback"));
  EXPECT_STREQ(out.CStr(), "fallback");
}

TEST(QInfoLookup, DestinationIsBoundedWhateverTheDefault) {
  InfoFromText t("a=1\n");
  std::string huge(5000, 'd');
  char value[1024 + 16];
  std::memset(value, '#', sizeof value);
  EXPECT_FALSE(t.info->GetString("missing", value, huge.c_str()));
  EXPECT_EQ(std::string(value), std::string(1023, 'd'));
  EXPECT_EQ(value[1024], '#');
  EXPECT_EQ(std::string(t.info->GetString("missing", huge.c_str())), std::string(1023, 'd'));
}

TEST(QInfoLookup, FallbackTreeAnswersWhatThisOneLacks) {
  InfoFromText t("own=1\n");
  TempDir other;
  other.WriteFile("defaults.ini", "own=2\nextra=3\n");
  t.info->SetFallback(new QInfo(other.Path("defaults.ini").c_str()));
  EXPECT_EQ(t.info->GetInt("own"), 1);
  EXPECT_EQ(t.info->GetInt("extra"), 3);
  EXPECT_TRUE(t.info->Exists("extra"));
  EXPECT_FALSE(t.info->Exists("nowhere"));
  EXPECT_EQ(t.info->FindNode("extra"), nullptr);  // FindNode stays here
}

TEST(QInfoChanges, SetStringCreatesTreesAndTheWrittenFormShowsThem) {
  InfoFromText t("");
  EXPECT_EQ(t.info->SetString("x.y.z", "1"), 1);
  EXPECT_TRUE(t.info->GetFlags() & QINFO_MODIFIED);
  EXPECT_EQ(t.Written(), "x\n{\n  y\n  {\n    z=1\n  }\n}\n");
  EXPECT_EQ(t.info->SetString("x.y.z", "2"), 1);
  EXPECT_EQ(t.info->SetInt("x.n", -3), 1);
  EXPECT_EQ(t.info->SetFloat("x.f", 0.25f), 1);
  EXPECT_EQ(t.Value("x.y.z"), "2");
  EXPECT_EQ(t.Value("x.f"), "0.250000");
  EXPECT_EQ(t.info->GetInt("x.n"), -3);
}

TEST(QInfoChanges, SetStringRefusesWhatCouldNotBeReadBack) {
  InfoFromText t("tree\n{\n  a=1\n}\nnode=2\n");
  const char *refused[][2] = {
      {"tree", "1"},          // ends at a tree
      {"node.sub", "1"},      // runs into a value
      {"", "1"},              // no component
      {"...", "1"},           // no component either
      {"bad name", "1"},      // a blank ends a name
      {"a=b", "1"},           // so does an equals sign
      {"a~b", "1"},           // and a tilde
      {"line\nend", "1"},     // and a line end
      {";comment", "1"},      // a sign at the start is a token of its own
      {"{brace", "1"},        //
      {"ok", "two\nlines"},   // a value ends at a line end
      {"ok", "carriage\r"},   //
      {"a.b.c.d.e.f.g.h.i.j.k", "1"},  // deeper than a file can nest
  };
  for (const auto &pair : refused) {
    EXPECT_EQ(t.info->SetString(pair[0], pair[1]), 0) << pair[0];
  }
  EXPECT_EQ(t.info->SetString("ok", std::string(1024, 'v').c_str()), 0);
  EXPECT_EQ(t.info->SetString("ok", std::string(1023, 'v').c_str()), 1);
  EXPECT_EQ(t.info->SetString("a.b.c.d.e.f.g.h.i.j", "1"), 1);
  EXPECT_EQ(t.info->SetString("node", nullptr), 0);
}

TEST(QInfoChanges, DeleteHidesAndWriteOmits) {
  InfoFromText t("keep=1\ngone=2\ntree\n{\n  inner=3\n}\n");
  EXPECT_EQ(t.info->Delete("gone"), 1);
  EXPECT_EQ(t.info->Delete("tree"), 1);
  EXPECT_EQ(t.info->Delete("missing"), 0);
  EXPECT_EQ(t.info->Delete(""), 0);
  EXPECT_EQ(t.Value("gone"), "!<default>");
  EXPECT_FALSE(t.info->IsNode("gone"));
  EXPECT_FALSE(t.info->IsTree("tree"));
  EXPECT_NE(t.info->FindNode("gone"), nullptr);
  EXPECT_EQ(t.info->GetChildCount(""), 3);
  EXPECT_EQ(t.Written(), "keep=1\n");
  // Setting a deleted value brings it back.
  EXPECT_EQ(t.info->SetString("gone", "again"), 1);
  EXPECT_EQ(t.Value("gone"), "again");
  EXPECT_EQ(t.Written(), "keep=1\ngone=again\n");
}

TEST(QInfoWrittenForm, RootTreesCommentsReferencesAndValues) {
  InfoFromText t(
      ";first\n"
      "outer=tree value\n"
      "{\n"
      "  root\n"
      "  {\n"
      "    lifted=1\n"
      "  }\n"
      "  ; inner comment\n"
      "}\n");
  EXPECT_EQ(t.Value("outer"), "tree value");  // a tree may have a value
  EXPECT_EQ(t.Value("outer.root.lifted"), "1");
  std::string written = t.Written();
  EXPECT_EQ(written, ";first\nouter=tree value\n{\n    lifted=1\n  ; inner comment\n}\n");
  InfoFromText again(written);
  EXPECT_EQ(again.Value("outer.lifted"), "1");  // read back one level higher
}

TEST(QInfoWrittenForm, RoundTripKeepsEveryValue) {
  std::string text =
      "; settings\n"
      "video\n{\n  width=1024\n  height=768\n  modes\n  {\n    a= 640 480\n    b=800 600  \n  }\n}\n"
      "net\n{\n  host=localhost\n}\n"
      "clone~video\n{\n  width=1280\n}\n";
  InfoFromText t(text);
  EXPECT_EQ(t.Written(), text);
  EXPECT_EQ(t.info->SetString("net.port", "4000"), 1);
  InfoFromText back(t.Written());
  EXPECT_EQ(back.Value("video.modes.a"), " 640 480");
  EXPECT_EQ(back.Value("video.modes.b"), "800 600  ");
  EXPECT_EQ(back.Value("clone.height"), "768");
  EXPECT_EQ(back.Value("clone.width"), "1280");
  EXPECT_EQ(back.Value("net.port"), "4000");
}

TEST(QInfoWriting, ChangedTreeIsWrittenBackOnDestruction) {
  TempDir dir;
  dir.WriteFile("app.ini", "a=1\n");
  {
    QInfo info(dir.Path("app.ini").c_str());
    info.SetString("b", "2");
  }
  EXPECT_EQ(ReadFile(dir.Path("app.ini")), "a=1\nb=2\n");
  {
    QInfo info(dir.Path("new.ini").c_str(), QINFO_QUIET);
    info.SetString("fresh", "yes");
  }
  EXPECT_EQ(ReadFile(dir.Path("new.ini")), "fresh=yes\n");
  {
    QInfo untouched(dir.Path("app.ini").c_str());
    EXPECT_EQ(untouched.Write(), 1);  // nothing changed: nothing to do
  }
  EXPECT_EQ(kiln::test::ListTree(dir.path()), (Texts{"app.ini", "new.ini"}));
}

TEST(QInfoWriting, FileThatExistsButCouldNotBeReadIsNeverReplaced) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run as a user who can't read";
  TempDir dir;
  dir.WriteFile("secret.ini", "password=1\n");
  chmod(dir.Path("secret.ini").c_str(), 0600);
  std::string path = dir.Path("secret.ini");
  auto run = kiln::test::RunInChild(
      [&] {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
        MessageCapture capture;
        {
          QInfo info(path.c_str(), QINFO_QUIET);
          info.SetString("password", "overwritten");
        }
        std::printf("%s", capture.Take().c_str());
      },
      dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "QInfo: not writing '" + path + "' back; it exists but could not be read\n");
  EXPECT_EQ(ReadFile(path), "password=1\n");
}

TEST(QInfoWriting, FailedWriteKeepsTheOldFileAndTheChange) {
  TempDir dir;
  kiln::test::SmallFileSystem small(dir.Path("small"), "64k");
  if (!small.IsMounted()) GTEST_SKIP() << "needs root to mount a small file system";
  const std::string &mountPoint = small.path();
  std::string path = mountPoint + "/app.ini";
  {
    std::FILE *file = std::fopen(path.c_str(), "w");
    std::fputs("old=1\n", file);
    std::fclose(file);
  }
  {
    QInfo info(path.c_str());
    // Fill the file system so that the new version can't be written whole.
    std::FILE *filler = std::fopen((mountPoint + "/filler").c_str(), "w");
    std::string block(4096, 'f');
    while (std::fwrite(block.data(), 1, block.size(), filler) == block.size() && std::fflush(filler) == 0) {
    }
    std::fclose(filler);
    for (int i = 0; i < 40; ++i) info.SetString(("key" + std::to_string(i)).c_str(), std::string(1000, 'v').c_str());
    MessageCapture capture;
    EXPECT_EQ(info.Write(), 0);
    EXPECT_EQ(capture.Take(), "QInfo:Write(); file (" + path + ") can't be written\n");
    EXPECT_TRUE(info.GetFlags() & QINFO_MODIFIED);
    EXPECT_EQ(ReadFile(path), "old=1\n");
    unlink((mountPoint + "/filler").c_str());
    EXPECT_EQ(info.Write(), 1);  // with room again, the change is still there
  }
  EXPECT_NE(ReadFile(path).find("key39="), std::string::npos);
  EXPECT_EQ(kiln::test::ListTree(mountPoint), Texts{"app.ini"});  // no temporary file stays behind
}

TEST(QInfoWriting, SymbolicLinkStaysALink) {
  TempDir dir;
  dir.WriteFile("real.ini", "a=1\n");
  ASSERT_EQ(symlink("real.ini", dir.Path("link.ini").c_str()), 0);
  {
    QInfo info(dir.Path("link.ini").c_str());
    info.SetString("a", "2");
  }
  struct stat status;
  ASSERT_EQ(lstat(dir.Path("link.ini").c_str(), &status), 0);
  EXPECT_TRUE(S_ISLNK(status.st_mode));
  EXPECT_EQ(ReadFile(dir.Path("real.ini")), "a=2\n");
}

TEST(QInfoIteration, RecursiveAndFlat) {
  InfoFromText t("a\n{\n  b\n  {\n    c=1\n  }\n  ;note\n}\nd=2\n");
  QInfoIterator recursive(t.info.get(), "");
  Texts names;
  qstring name;
  while (recursive.GetNext(name, true)) names.push_back(name.CStr());
  EXPECT_EQ(names, (Texts{"a", "a.b", "a.b.c", "d"}));
  QInfoIterator flat(t.info.get(), nullptr);
  names.clear();
  while (flat.GetNext(name, false)) names.push_back(name.CStr());
  EXPECT_EQ(names, (Texts{"a", "d"}));
  QInfoIterator inside(t.info.get(), "a");
  names.clear();
  while (inside.GetNext(name, false)) names.push_back(name.CStr());
  EXPECT_EQ(names, (Texts{"a.b"}));
  QInfoIterator nodes(t.info.get(), "a");
  int count = 0;
  while (nodes.GetCurrent()) {
    ++count;
    nodes.Next(false);
  }
  EXPECT_EQ(count, 2);  // b and the comment
  QInfoIterator missing(t.info.get(), "nowhere");
  EXPECT_FALSE(missing.GetNext(name, true));
}

TEST(QInfoIteration, DumpListsEveryEntry) {
  TempDir dir;
  dir.WriteFile("d.ini", "a\n{\n  b=1\n  c\n}\n;note\n");
  auto run = kiln::test::RunInChild(
      [&] {
        QInfo info(dir.Path("d.ini").c_str());
        info.Dump();
      },
      dir.path());
  EXPECT_EQ(run.out, "-----\ntree 'root'\ntree 'a'\nnode b=1\nnode c=<no value>\n(note)\n-----\n");
}

}  // namespace

namespace {

TEST(QInfoLookup, ManyChildrenFirstOfEqualNamesWins) {
  std::string text = "big\n{\n";
  for (int i = 0; i < 40; ++i) text += "  key" + std::to_string(i % 30) + "=" + std::to_string(i) + "\n";
  text += "}\n";
  InfoFromText t(text);
  EXPECT_EQ(t.Value("big.key5"), "5");    // not 35: the first in file order
  EXPECT_EQ(t.Value("big.key29"), "29");
  EXPECT_EQ(t.Value("big.key30"), "!<default>");
  EXPECT_EQ(t.info->SetString("big.added", "new"), 1);  // the index learns of it
  EXPECT_EQ(t.Value("big.added"), "new");
  EXPECT_EQ(t.info->SetString("big.key5", "changed"), 1);
  EXPECT_EQ(t.Value("big.key5"), "changed");
  t.info->FindNode("big.key7")->SetName("renamed");
  EXPECT_EQ(t.Value("big.renamed"), "7");
  EXPECT_EQ(t.Value("big.key7"), "37");  // now the second of that name is the first
}

}  // namespace
