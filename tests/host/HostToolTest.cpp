// The e140 tool as a person uses it: run as a program against the simulated
// module, judged by its exit code, its messages and the files it leaves.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <nlohmann/json.hpp>

namespace {

namespace fs = std::filesystem;

struct Outcome {
  int code = -1;
  std::string out, err;
};

class HostTool : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "e140-tool-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    // TTL outputs loop back to the inputs; input XY1 holds 1.5 V.
    Simulate(R"({"modules":[{"ttlLoopback":true,"inputs":{"XY1":{"type":"dc","value":1.5}}}]})");
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Simulate(const std::string& json) { std::ofstream(dir_ / "sim.json") << json; }

  // The shell command that runs e140 in the test's folder, on its world.
  std::string Command(const std::string& arguments) const {
    return "cd '" + dir_.string() + "' && XDG_CONFIG_HOME=\"$PWD/config\" E140SIM_CONFIG=sim.json exec " +
           E140_PATH + " " + arguments;
  }

  Outcome Run(const std::string& arguments) const {
    const int status = std::system((Command(arguments) + " >out.txt 2>err.txt").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read("out.txt"), Read("err.txt")};
  }

  std::string Read(const std::string& name) const {
    return (std::ostringstream() << std::ifstream(dir_ / name, std::ios::binary).rdbuf()).str();
  }

  fs::path dir_;
};

// Arguments the tool cannot take exit 2; a missing module or an output that
// cannot be written exit 1 with one line. Nothing is recorded.
TEST_F(HostTool, FailuresExitWithTheirCodeAndSayWhy) {
  const struct { const char* arguments; int code; const char* message; const char* world = "{}"; } cases[] = {
      {"record -c 0,40", 2, "unknown channel 40"},
      {"record -c 0,1 -g 4", 2, "range 4 is out of 0..3"},
      {"record -c 0,1 -g 0,1,2", 2, "one per channel"},
      {"record -r fast", 2, "rate 'fast' is not a number"},
      {"record -r 0", 2, "rate must be positive"},
      {"record -r nan", 2, "is not a number"},
      {"record -d -1", 2, ""},
      {"record -f wav", 2, "format must be csv or raw"},
      {"dio write 0x1FFFF", 2, "out of 0..0xFFFF"},
      {"info -n 40", 2, "channel count must be 1..32"},
      {"frobnicate", 2, ""},
      {"record -d 0.2", 1, "e140: no module", R"({"modules":[]})"},
      {"record -d 0.2 -o missing-folder/out.csv", 1, "cannot write missing-folder/out.csv"},
  };
  for (const auto& c : cases) {
    Simulate(c.world);
    const Outcome o = Run(c.arguments);
    EXPECT_EQ(o.code, c.code) << c.arguments << ": " << o.err;
    EXPECT_NE(o.err.find(c.message), std::string::npos) << c.arguments << ": " << o.err;
    EXPECT_TRUE(c.code != 1 || std::count(o.err.begin(), o.err.end(), '\n') == 1) << o.err;
    EXPECT_FALSE(fs::exists(dir_ / "recording.csv")) << c.arguments;
  }
}

// CSV in volts with a plot; raw with a sidecar; either to standard output.
TEST_F(HostTool, RecordsCsvWithAPlotOrRawWithASidecarToAFileOrStandardOutput) {
  Outcome o = Run("record -c 0,1 -r 1000 -n 500 -o run.csv -p run.svg");
  ASSERT_EQ(o.code, 0) << o.err;
  const std::string csv = Read("run.csv");
  EXPECT_EQ(csv.rfind("time_s,\"XY1 [V]\",\"XY2 [V]\"\n0,1.5,", 0), 0u)  // the DC input, scaled
      << csv.substr(0, 80);
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 501);
  const std::string svg = Read("run.svg");
  EXPECT_NE(svg.find("<polyline"), std::string::npos);
  // 0.5 s of time: ticks on round numbers, not on quarters of the span.
  for (const char* tick : {">0</text>", ">0.1</text>", ">0.4</text>", ">0.5</text>"})
    EXPECT_NE(svg.find(tick), std::string::npos) << tick;
  EXPECT_EQ(svg.find(">0.125</text>"), std::string::npos);
  EXPECT_NE(o.out.find("recorded 500 frames"), std::string::npos) << o.out;
  EXPECT_EQ(o.err, "") << "the module runs at the rate asked";
  EXPECT_FALSE(fs::exists(dir_ / "run.csv.part"));

  o = Run("--json record -c 0-3 -g 0,1,2,3 -r 2000 -n 1000 -f raw -o run.bin");
  ASSERT_EQ(o.code, 0) << o.err;
  EXPECT_EQ(fs::file_size(dir_ / "run.bin"), 1000u * 4 * 2);
  const auto sidecar = nlohmann::json::parse(Read("run.bin.json"));
  EXPECT_EQ(sidecar["frames"], 1000);
  EXPECT_EQ(sidecar["format"], "int16le");
  EXPECT_EQ(sidecar["channels"][3]["codes_per_volt"], 51200.0);
  EXPECT_EQ(nlohmann::json::parse(o.out)["frames_lost"], 0);

  o = Run("record -c 0,1 -r 1000 -n 300 -f raw -o -");
  EXPECT_EQ(o.out.size(), 300u * 2 * 2);
  EXPECT_NE(o.err.find("recorded 300 frames of 2 channel(s) at 1000 Hz (0.3 s) to standard output"),
            std::string::npos) << o.err;
  o = Run("record -c 0 -r 1000 -n 3 -o -");
  EXPECT_EQ(o.out.substr(0, o.out.find('\n')), R"(time_s,"XY1 [V]")");
  EXPECT_EQ(std::count(o.out.begin(), o.out.end(), '\n'), 4);
  EXPECT_FALSE(fs::exists(dir_ / "-"));
}

// Each command's output, and a notice on standard error where the module
// could not do what was asked.
TEST_F(HostTool, CommandsSayWhatTheyDidAndWhatTheyCouldNot) {
  const struct {
    const char* arguments;
    std::string Outcome::*stream;
    const char* text;
  } cases[] = {
      {"--json list", &Outcome::out, R"("serial": "SIM00001")"},
      {"--json info -n 3 -r 7000", &Outcome::out, R"("achieved_rate_hz": 7017.54)"},
      {"dio write 0xA5", &Outcome::out, "inputs  0x00A5\noutputs 0x00A5\n"},  // looped back
      {"dac set -c 1 --volts 2.5", &Outcome::out, "DAC2: code 16383, 2.4999 V"},  // 6553.4 codes/V
      {"dac wave -t sine -a 2 --frequency 50", &Outcome::err, ""},
      {"settings", &Outcome::out, "\r\n[HKEY_CURRENT_USER\\Software\\Tervo\\ADC\\L-Card\\E-140]\r\n"},
      {"record -c 0,1,2 -r 7000 -n 10 -o r.csv", &Outcome::err,
       "e140: asked 7000 Hz, the module runs 7017.54 Hz\n"},
      {"record -c 0 -r 1e9 -n 10 -o r.csv", &Outcome::err,
       "e140: asked 1e9 Hz, the module runs 200000 Hz\n"},
      {"dac set -c 1 --volts 12", &Outcome::err, "e140: asked 12 V, DAC2 is limited to 5 V\n"},
      {"dac set -c 0 --code 99999", &Outcome::err,
       "e140: asked code 99999, DAC1 is limited to code 32767\n"},
  };
  for (const auto& c : cases) {
    const Outcome o = Run(c.arguments);
    EXPECT_EQ(o.code, 0) << c.arguments << ": " << o.err;
    EXPECT_NE((o.*c.stream).find(c.text), std::string::npos) << c.arguments << ": " << o.*c.stream;
  }
}

TEST_F(HostTool, CtrlCStopsCleanlyAndKeepsWhatWasTaken) {
  const std::string command = Command("record -r 1000 -d 60 -o long.csv >out.txt");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(98);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  kill(child, SIGINT);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  const std::string summary = Read("out.txt"), csv = Read("long.csv");
  const auto rows = std::count(csv.begin(), csv.end(), '\n') - 1;
  EXPECT_GT(rows, 100);
  EXPECT_NE(summary.find("stopped by Ctrl-C"), std::string::npos) << summary;
  EXPECT_NE(summary.find("recorded " + std::to_string(rows) + " frames"), std::string::npos) << summary;
}

}  // namespace
