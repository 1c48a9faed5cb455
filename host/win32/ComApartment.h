// COM on the calling thread, in a single-threaded apartment, for as long as
// the object lives: the driver's timers and objects belong to this thread.
#pragma once

namespace e14::host {

class ComApartment {
 public:
  ComApartment();  // throws std::runtime_error when COM cannot start
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
};

}  // namespace e14::host
