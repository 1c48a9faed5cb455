// Driver state is per thread: running a test body on a new thread gives it a
// state of its own, as a new host apartment would have.
#pragma once

#include <thread>
#include <utility>

namespace e14::testing {

template <typename Body>
void InFreshThread(Body&& body) {
  std::thread thread(std::forward<Body>(body));
  thread.join();
}

}  // namespace e14::testing
