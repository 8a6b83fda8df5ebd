// stockdyn model check, run as the built program on small model files.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

struct ToolRun {
  int status;
  std::string out;
};

ToolRun Stockdyn(const std::string& args) {
  std::string cmd = std::string(STOCKDYN_BINARY_DIR) + "/stockdyn " + args + " 2>/dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  ToolRun r{-1, {}};
  if (!p) return r;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
  int st = pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

std::string WriteModel(const std::string& text) {
  auto path = std::filesystem::temp_directory_path() /
              ("sd_check_" + std::to_string(::getpid()) + ".hyp");
  std::ofstream(path, std::ios::binary) << text;
  return path.string();
}

TEST(ModelCheck, OneLinePerSectionInFileOrder) {
  std::string path = WriteModel(
      "[Sun signs]\r\n_H=Sun in fire\r\n_T=0\r\nP1=0\r\n"
      "[OPTIONS]\r\nNObjMod=1\r\n"
      "[No header]\r\n_T=2\r\n"
      "[Old node]\r\n_H=x\r\n_T=17\r\nFPB2=30\r\n"
      // Kept defaults: ZR2 inherits the 255 that the rejected FPB2 left in the buffer.
      "[Reception]\r\n_H=r\r\n_T=19\r\nZR1=0\r\n"
      "[SUN SIGNS]\r\n_H=again\r\n_T=0x3\r\n_T=5\r\n"
      "[Formula]\r\n_H=f\r\n_T=16\r\nPT1=0\r\nPT2=1\r\nPT3=2\r\nPT35=3\r\n"
      "[Price]\r\n_H=p\r\n_T=36\r\n"
      "[Beyond]\r\n_H=b\r\n_T=50\r\n");
  ToolRun r = Stockdyn("model check " + path);
  std::filesystem::remove(path);
  EXPECT_EQ(r.status, 1);  // sections are rejected
  EXPECT_EQ(r.out,
            "Sun signs\taccepted\t0\tsign and house\n"
            "OPTIONS\tsettings\n"
            "No header\trejected\t2\taspect\tno \"_H\" key\n"
            "Old node\trejected\t17\tnearest behind\tunmappable object FPB2=30\n"
            "Reception\trejected\t19\tsign reception\tunmappable object ZR2=255\n"
            "SUN SIGNS\trejected\t3\tmidpoint\tduplicate section name\n"
            "Formula\trejected\t16\tformula point\tempty PT8\n"
            "Price\taccepted\t36\tprice\tnot scored\n"
            "Beyond\trejected\t50\tunknown\tunknown kind\n"
            "total\t2 accepted\t6 rejected\n");
}

// The shipped model must load whole: a rejected section there silently drops a factor from
// every forecast.
TEST(ModelCheck, ShippedModelLoadsEverySection) {
  ToolRun r = Stockdyn(std::string("model check ") + STOCKDYN_SOURCE_DIR + "/assets/stock.hyp");
  ASSERT_EQ(r.status, 0);
  int sections = 0;
  size_t start = 0;
  std::string last;
  while (start < r.out.size()) {
    size_t end = r.out.find('\n', start);
    std::string line = r.out.substr(start, end - start);
    start = end + 1;
    last = line;
    if (line.rfind("total\t", 0) == 0) continue;
    ++sections;
    EXPECT_EQ(line.find("\trejected\t"), std::string::npos) << line;
  }
  EXPECT_GT(sections, 1);
  EXPECT_EQ(last.substr(last.rfind('\t')), "\t0 rejected");
}

TEST(ModelCheck, ExitStatus) {
  EXPECT_EQ(Stockdyn("model check /nonexistent/stock.hyp").status, 1);
  EXPECT_EQ(Stockdyn("model check " + std::filesystem::temp_directory_path().string()).status, 1);
  EXPECT_EQ(Stockdyn("model").status, 2);
  EXPECT_EQ(Stockdyn("model check").status, 2);
  EXPECT_EQ(Stockdyn("model list x").status, 2);
  ToolRun help = Stockdyn("model --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("model check FILE"), std::string::npos);

  std::string path = WriteModel("");
  ToolRun empty = Stockdyn("model check " + path);
  std::filesystem::remove(path);
  EXPECT_EQ(empty.status, 1);  // no section: not a model, most likely the wrong file
  EXPECT_EQ(empty.out, "no section in " + path + "\ntotal\t0 accepted\t0 rejected\n");
}

// An author's typing errors pass the loader without a word; the checker names each key the
// section's kind does not read, with its line, and fails. Keys match in any letter case, as
// the loader reads them.
TEST(ModelCheck, KeysTheKindDoesNotReadAreListedWithTheirLines) {
  struct Case {
    const char* name;
    std::string model;
    int status;
    std::string out;
  };
  const Case cases[] = {
      {"clean, any letter case",
       "[Moon]\n_H=m\n_T=2\nA0=1\nA1=0\na2=1,2\nA3=0\nA4=0\nA6=10\nweight=3\nOrb_Prop=1\n"
       "Orb_Shift=0\n", 0,
       "Moon\taccepted\t2\taspect\ntotal\t1 accepted\t0 rejected\n"},
      {"misspelt weight and a blank before '='",
       "[Moon]\n_H=m\n_T=2\nA0=1\nA1=0\nA2=1,2\nA3=0\nA4=0\nA6 = 10\nWIEGHT=3\n", 1,
       "Moon\taccepted\t2\taspect\nMoon\tunknown key\t9\tA6 \nMoon\tunknown key\t10\tWIEGHT\n"
       "total\t1 accepted\t0 rejected\n"},
      {"a key of another kind; comments and blank lines are no keys",
       "; a comment\n[Sun signs]\n_H=s\n_T=0\nP1=0\n\n; note\nA6=10\n", 1,
       "Sun signs\taccepted\t0\tsign and house\nSun signs\tunknown key\t8\tA6\ntotal\t1 accepted\t0 rejected\n"},
      {"an unknown kind",
       "[Odd]\n_H=o\n_T=99\n", 1, "Odd\trejected\t99\tunknown\tunknown kind\ntotal\t0 accepted\t1 rejected\n"},
      {"settings keys are not checked",
       "[OPTIONS]\nNObjMod=1\nAnything=2\n", 0, "OPTIONS\tsettings\ntotal\t0 accepted\t0 rejected\n"},
  };
  for (const Case& c : cases) {
    const std::string path = WriteModel(c.model);
    const ToolRun r = Stockdyn("model check " + path);
    std::filesystem::remove(path);
    EXPECT_EQ(r.status, c.status) << c.name;
    EXPECT_EQ(r.out, c.out) << c.name;
  }
}

}  // namespace
