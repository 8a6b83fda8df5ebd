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
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "Sun signs\taccepted\t0\tsign and house\n"
            "OPTIONS\tsettings\n"
            "No header\trejected\t2\taspect\tno \"_H\" key\n"
            "Old node\trejected\t17\tnearest behind\tunmappable object FPB2=30\n"
            "Reception\trejected\t19\tsign reception\tunmappable object ZR2=255\n"
            "SUN SIGNS\trejected\t3\tmidpoint\tduplicate section name\n"
            "Formula\trejected\t16\tformula point\tempty PT8\n"
            "Price\taccepted\t36\tprice\tnot scored\n"
            "Beyond\taccepted\t50\tunknown\tnot scored\n"
            "total\t3\t5\n");
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
  EXPECT_EQ(last.substr(last.rfind('\t')), "\t0");
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
  EXPECT_EQ(empty.status, 0);
  EXPECT_EQ(empty.out, "total\t0\t0\n");
}

}  // namespace
