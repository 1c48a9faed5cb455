// e140: list, inspect and record from E14-140 modules, drive their outputs
// and export the driver's settings.
#include <CLI/CLI.hpp>

#include <iostream>

#include "host/Commands.h"
#include "host/Console.h"
#include "host/HostDriver.h"

using namespace e14::host;

int main(int argc, char** argv) {
  CLI::App app{"e140: check, record from and drive E14-140 modules through the driver"};
  app.require_subcommand(1);
  bool json = false;
  app.add_flag("--json", json, "machine-readable output (JSON)");

  auto* list = app.add_subcommand("list", "modules found, with slot, serial, revision, firmware and DAC");

  int infoChannels = 1;
  std::string infoRate = "1000";
  auto* info = app.add_subcommand("info", "the open module's description and achievable rate");
  info->add_option("-n,--channels", infoChannels, "channel count for the rate calculation")->capture_default_str();
  info->add_option("-r,--rate", infoRate, "requested rate per channel, Hz")->capture_default_str();

  RecordOptions record;
  auto* rec = app.add_subcommand("record", "record frames to CSV (volts) or raw 16-bit samples");
  rec->add_option("-c,--channels", record.Channels, "channel table, e.g. 0,1,5-7")->capture_default_str();
  rec->add_option("-g,--ranges", record.Ranges, "range index 0..3, one or one per channel")->capture_default_str();
  rec->add_option("-r,--rate", record.Rate, "rate per channel, Hz")->capture_default_str();
  rec->add_option("-d,--duration", record.Duration, "seconds to record (default 2)");
  rec->add_option("-n,--frames", record.Frames, "frames to record");
  rec->add_option("-b,--buffer", record.BufferSamples, "driver ring size, samples");
  rec->add_option("-o,--output", record.Output, "output file, - for standard output")->capture_default_str();
  rec->add_option("-f,--format", record.Format, "csv or raw (with a .json sidecar)")->capture_default_str();
  rec->add_option("-p,--plot", record.Plot, "also write an SVG plot to this file");

  DacOptions dac;
  auto* dacCmd = app.add_subcommand("dac", "set a DAC level or run a generated waveform");
  dacCmd->add_option("action", dac.Action, "show, set, wave or stop")
      ->check(CLI::IsMember({"show", "set", "wave", "stop"}))
      ->required();
  dacCmd->add_option("-c,--channel", dac.Channel, "DAC channel 0 or 1")->capture_default_str();
  dacCmd->add_option("--volts", dac.Volts, "level in volts (set)");
  dacCmd->add_option("--code", dac.Code, "level in DAC codes (set)");
  dacCmd->add_option("-t,--type", dac.Type, "off, dc, noise, sine, pulse, ramp, triangle")->capture_default_str();
  dacCmd->add_option("-a,--amplitude", dac.Amplitude, "amplitude, volts")->capture_default_str();
  dacCmd->add_option("--baseline", dac.Baseline, "baseline, volts")->capture_default_str();
  dacCmd->add_option("--frequency", dac.Frequency, "frequency, Hz")->capture_default_str();
  dacCmd->add_option("--phase", dac.Phase, "phase, fraction of a period")->capture_default_str();

  DioOptions dio;
  auto* dioCmd = app.add_subcommand("dio", "read the TTL inputs, write the outputs, set the start/stop words");
  dioCmd->add_option("action", dio.Action, "read, write, start or stop")
      ->check(CLI::IsMember({"read", "write", "start", "stop"}))
      ->required();
  dioCmd->add_option("word", dio.Word, "16-bit word (decimal, 0x.., 0b..), or off for start/stop");

  MonitorOptions monitor;
  auto* monitorCmd = app.add_subcommand("monitor", "a live panel of the inputs, the TTL port and the DAC (q ends it)");
  monitorCmd->add_option("-c,--channels", monitor.Channels, "channel table, e.g. 0,1,5-7")->capture_default_str();
  monitorCmd->add_option("-g,--ranges", monitor.Ranges, "range index 0..3, one or one per channel")
      ->capture_default_str();
  monitorCmd->add_option("-r,--rate", monitor.Rate, "rate per channel, Hz")->capture_default_str();

  auto* settings = app.add_subcommand("settings", "export the driver's registry keys as registry-file text");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int code = app.exit(error);
    return code == 0 ? 0 : 2;
  }
  if ((dio.Action == "write" || dio.Action == "start" || dio.Action == "stop") && dio.Word.empty())
    return Fail(2, "dio " + dio.Action + " needs a word");

  record.Json = json;
  UseBinaryStandardOutput();
  try {
    auto driver = CreateHostDriver();
    if (*list) return ListCommand(*driver, json);
    if (*info) return InfoCommand(*driver, infoChannels, infoRate, json);
    if (*rec) return RecordCommand(*driver, record);
    if (*dacCmd) return DacCommand(*driver, dac);
    if (*dioCmd) return DioCommand(*driver, dio);
    if (*monitorCmd) return MonitorCommand(*driver, monitor);
    if (*settings) return SettingsCommand(*driver);
  } catch (const std::exception& error) {
    return Fail(1, error.what());
  }
  return 2;
}
