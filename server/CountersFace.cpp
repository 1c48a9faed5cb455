#include "server/CountersFace.h"

#include "server/Guard.h"

namespace e14::com {

template <class Pick>
HRESULT CountersFace::Count(double* value, Pick&& pick) {
  return GuardedGet(value, [&] { return static_cast<double>(pick(Core().RecordingCounters())); });
}

STDMETHODIMP CountersFace::get_FramesDelivered(double* value) {
  return Count(value, [](const StreamCounterValues& c) { return c.FramesDelivered; });
}

STDMETHODIMP CountersFace::get_BlocksDropped(double* value) {
  return Count(value, [](const StreamCounterValues& c) { return c.BlocksDropped; });
}

STDMETHODIMP CountersFace::get_FramesDropped(double* value) {
  return Count(value, [](const StreamCounterValues& c) { return c.FramesDropped; });
}

STDMETHODIMP CountersFace::get_ReadTimeouts(double* value) {
  return Count(value, [](const StreamCounterValues& c) { return c.ReadTimeouts; });
}

STDMETHODIMP CountersFace::get_ReadFailures(double* value) {
  return Count(value, [](const StreamCounterValues& c) { return c.ReadFailures; });
}

STDMETHODIMP CountersFace::get_Restarts(double* value) {
  return Count(value, [](const StreamCounterValues& c) { return c.Restarts; });
}

STDMETHODIMP CountersFace::get_FramesDiscarded(double* value) {
  return Count(value, [](const StreamCounterValues& c) { return c.FramesDiscarded; });
}

STDMETHODIMP CountersFace::get_FramesLost(double* value) {
  return Count(value,
               [](const StreamCounterValues& c) { return c.FramesDropped + c.FramesDiscarded; });
}

}  // namespace e14::com
