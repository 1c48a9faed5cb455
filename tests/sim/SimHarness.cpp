#include "tests/sim/SimHarness.h"

#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <cstddef>
#include <cstring>
#include <stdexcept>

#include "sim/Library.h"
#include "sim/SimControl.h"

namespace e14::simtest {

Interface::Interface(sim::Flavour flavour)
    : object_(sim::CreateInterface(flavour, "E140")),
      slots_(flavour == sim::Flavour::LUsbApi3 ? kSlotsLUsbApi3 : kSlotsLUsbApiU) {
  if (object_ == nullptr) throw std::runtime_error("no interface object");
}

std::string Interface::LastError() const {
  ErrorInfo info{};
  if (Call(slots_.GetLastErrorInfo, &info) == 0) return "<no error info>";
  return std::string(info.Text);
}

std::vector<uint32_t> Interface::OpenableSlots() const {
  std::vector<uint32_t> found;
  for (uint32_t slot = 0; slot < 16; ++slot) {
    if (Open(slot)) found.push_back(slot);
    Close();
  }
  return found;
}

std::vector<int16_t> WireReply::Samples() const {
  std::vector<int16_t> samples(Payload.size() / 2);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<int16_t>(Payload[2 * i] | Payload[2 * i + 1] << 8);
  return samples;
}

namespace {

bool ReceiveAll(int handle, void* data, size_t bytes, int timeoutMs) {
  auto* next = static_cast<uint8_t*>(data);
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (bytes > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    pollfd readable{handle, POLLIN, 0};
    if (left.count() < 0 || poll(&readable, 1, static_cast<int>(left.count())) <= 0) return false;
    const ssize_t got = recv(handle, next, bytes, 0);
    if (got <= 0) return false;
    next += got;
    bytes -= static_cast<size_t>(got);
  }
  return true;
}

}  // namespace

std::optional<WireReply> Ask(int handle, const wire::Request& request, const std::vector<uint8_t>& payload) {
  std::vector<uint8_t> bytes(sizeof request);
  std::memcpy(bytes.data(), &request, sizeof request);
  bytes.insert(bytes.end(), payload.begin(), payload.end());
  if (send(handle, bytes.data(), bytes.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(bytes.size()))
    throw std::runtime_error("send on the module handle failed");
  WireReply reply{};
  if (!ReceiveAll(handle, &reply.Header, sizeof reply.Header, 2000)) return std::nullopt;
  reply.Payload.resize(reply.Header.count);
  // A started reply must complete promptly.
  if (!ReceiveAll(handle, reply.Payload.data(), reply.Payload.size(), 5000))
    throw std::runtime_error("reply payload cut short");
  return reply;
}

int64_t SteadyNowNs() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
}

void Configure(const std::string& json) { ASSERT_EQ(SimConfigure(json.c_str()), 1) << SimConfigError(); }

AdcParams Params(std::initializer_list<uint16_t> table, double adcKHz, double delayMs) {
  AdcParams p{};
  p.ChannelsQuantity = static_cast<uint16_t>(table.size());
  // Copied bytewise: the packed record's table may sit at an odd address.
  if (table.size() > 0)
    std::memcpy(reinterpret_cast<uint8_t*>(&p) + offsetof(AdcParams, ControlTable), table.begin(),
                table.size() * sizeof(uint16_t));
  p.AdcRateKHz = adcKHz;
  p.InterKadrDelayMs = delayMs;
  return p;
}

void OpenModule::Open(const std::string& json) {
  device_.reset();
  Configure(json);
  device_ = std::make_unique<Interface>();
  ASSERT_TRUE(device_->Open(0)) << device_->LastError();
  handle_ = device_->Handle();
}

int16_t OpenModule::Sample(uint32_t code) {
  int16_t sample = 0;
  EXPECT_TRUE(device_->AdcSample(code, sample)) << device_->LastError();
  return sample;
}

}  // namespace e14::simtest
