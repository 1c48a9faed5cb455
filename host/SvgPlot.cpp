#include "host/SvgPlot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "host/AxisTicks.h"
#include "host/TextFile.h"

namespace e14::host {

namespace {
constexpr size_t kMaxBuckets = 4000;
constexpr double kWidth = 960, kHeight = 420, kLeft = 70, kRight = 20, kTop = 30, kBottom = 50;
const char* const kColours[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e",
                                "#9467bd", "#8c564b", "#e377c2", "#17becf"};

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4g", value);
  return text;
}

std::string Escape(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (c == '<') escaped += "&lt;";
    else if (c == '>') escaped += "&gt;";
    else if (c == '&') escaped += "&amp;";
    else escaped += c;
  }
  return escaped;
}
}  // namespace

SvgPlot::SvgPlot(std::vector<ChannelColumn> columns, double rate)
    : columns_(std::move(columns)), rate_(rate), buckets_(columns_.size()) {}

void SvgPlot::Fold() {
  for (auto& channel : buckets_) {
    for (size_t i = 0; i < channel.size() / 2; ++i)
      channel[i] = {std::min(channel[2 * i].Min, channel[2 * i + 1].Min),
                    std::max(channel[2 * i].Max, channel[2 * i + 1].Max)};
    if (channel.size() % 2 != 0) channel[channel.size() / 2] = channel.back();
    channel.resize((channel.size() + 1) / 2);
  }
  framesPerBucket_ *= 2;
}

void SvgPlot::Add(const int16_t* frames, int32_t count) {
  const size_t width = columns_.size();
  for (int32_t f = 0; f < count; ++f, ++frames_) {
    const bool fresh = frames_ % framesPerBucket_ == 0;
    for (size_t c = 0; c < width; ++c) {
      const float v = static_cast<float>(columns_[c].Offset + frames[f * width + c] / columns_[c].Scale);
      auto& channel = buckets_[c];
      if (fresh) {
        channel.push_back({v, v});
      } else {
        channel.back().Min = std::min(channel.back().Min, v);
        channel.back().Max = std::max(channel.back().Max, v);
      }
    }
    if (!buckets_.empty() && buckets_[0].size() >= kMaxBuckets && (frames_ + 1) % framesPerBucket_ == 0)
      Fold();
  }
}

void SvgPlot::Save(const std::string& path) const {
  float low = 0, high = 0;
  bool any = false;
  for (const auto& channel : buckets_)
    for (const Bucket& b : channel) {
      low = any ? std::min(low, b.Min) : b.Min;
      high = any ? std::max(high, b.Max) : b.Max;
      any = true;
    }
  if (!any || high - low < 1e-6f) {
    low -= 1.0f;
    high += 1.0f;
  }
  const double seconds = std::max(static_cast<double>(frames_) / rate_, 1e-9);
  const double plotW = kWidth - kLeft - kRight, plotH = kHeight - kTop - kBottom;
  auto x = [&](double t) { return kLeft + t / seconds * plotW; };
  auto y = [&](double v) { return kTop + (high - v) / (high - low) * plotH; };

  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(kWidth) +
                    "\" height=\"" + Number(kHeight) + "\" font-family=\"sans-serif\" font-size=\"12\">\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  svg += "<rect x=\"" + Number(kLeft) + "\" y=\"" + Number(kTop) + "\" width=\"" + Number(plotW) +
         "\" height=\"" + Number(plotH) + "\" fill=\"none\" stroke=\"#888\"/>\n";
  for (const double v : RoundTicks(low, high))
    svg += "<text x=\"" + Number(kLeft - 6) + "\" y=\"" + Number(y(v) + 4) +
           "\" text-anchor=\"end\">" + Number(v) + "</text>\n";
  for (const double t : RoundTicks(0.0, seconds))
    svg += "<text x=\"" + Number(x(t)) + "\" y=\"" + Number(kTop + plotH + 16) +
           "\" text-anchor=\"middle\">" + Number(t) + "</text>\n";
  svg += "<text x=\"" + Number(kLeft + plotW / 2) + "\" y=\"" + Number(kHeight - 10) +
         "\" text-anchor=\"middle\">time [s]</text>\n";
  svg += "<text x=\"16\" y=\"" + Number(kTop + plotH / 2) +
         "\" transform=\"rotate(-90 16 " + Number(kTop + plotH / 2) + ")\" text-anchor=\"middle\">volts</text>\n";
  for (size_t c = 0; c < buckets_.size(); ++c) {
    const char* colour = kColours[c % 8];
    std::string points;
    const auto& channel = buckets_[c];
    for (size_t i = 0; i < channel.size(); ++i) {
      const double t = static_cast<double>(i) * static_cast<double>(framesPerBucket_) / rate_;
      points += Number(x(t)) + "," + Number(y(channel[i].Min)) + " ";
      if (channel[i].Max != channel[i].Min) points += Number(x(t)) + "," + Number(y(channel[i].Max)) + " ";
    }
    svg += "<polyline fill=\"none\" stroke=\"" + std::string(colour) + "\" stroke-width=\"1\" points=\"" +
           points + "\"/>\n";
    svg += "<text x=\"" + Number(kLeft + 8 + 110 * static_cast<double>(c % 8)) + "\" y=\"" +
           Number(kTop - 10 - 14 * static_cast<double>(c / 8)) + "\" fill=\"" + colour + "\">" +
           Escape(columns_[c].Name + " " + columns_[c].Range) + "</text>\n";
  }
  svg += "</svg>\n";
  try {
    WriteTextFile(path, svg);
  } catch (const std::exception&) {
    throw std::runtime_error("cannot write plot " + path);
  }
}

}  // namespace e14::host
