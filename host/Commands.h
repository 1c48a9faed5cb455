// The e140 subcommands. Each returns the process exit code: 0 done,
// 1 the module or the driver failed, 2 bad usage or arguments.
#pragma once

#include <optional>
#include <string>

#include "host/HostDriver.h"

namespace e14::host {

struct RecordOptions {
  std::string Channels = "0";
  std::string Ranges = "0";
  std::string Rate = "1000";
  std::optional<std::string> Duration;
  std::optional<std::string> Frames;
  std::optional<std::string> BufferSamples;
  std::string Output = "recording.csv";
  std::string Format = "csv";
  std::optional<std::string> Plot;
  bool Json = false;
};

struct DacOptions {
  std::string Action;  // set, wave, stop, show
  int Channel = 0;
  std::optional<std::string> Volts, Code;
  std::string Type = "sine", Amplitude = "1", Baseline = "0", Frequency = "100", Phase = "0";
};

struct MonitorOptions {
  std::string Channels = "0-3";
  std::string Ranges = "0";
  std::string Rate = "1000";
};

struct DioOptions {
  std::string Action;  // read, write, start, stop, show
  std::string Word;
};

int ListCommand(HostDriver& driver, bool json);
int InfoCommand(HostDriver& driver, int channels, const std::string& rate, bool json);
int RecordCommand(HostDriver& driver, const RecordOptions& options);
int DacCommand(HostDriver& driver, const DacOptions& options);
int DioCommand(HostDriver& driver, const DioOptions& options);
// A live panel on the terminal until q (or Ctrl-C).
int MonitorCommand(HostDriver& driver, const MonitorOptions& options);
int SettingsCommand(HostDriver& driver);

// Prints "e140: <message>" on stderr and returns the exit code.
int Fail(int code, const std::string& message);
// Opens the module or reports why not.
bool OpenModule(HostDriver& driver);

}  // namespace e14::host
