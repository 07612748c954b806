#pragma once
// Port: the local calendar and wall clock.
#include "common/text.h"

namespace kestor {

struct LocalDate {
  int day;    // 1..31
  int month;  // 1..12
  int year;   // four digits
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalDate localDate() = 0;
  // Seconds since local midnight with a fraction, as a single-precision value.
  virtual float secondsSinceMidnight() = 0;
  // Today's date in the user's regional short date form.
  virtual Text regionalDateText() = 0;
  // The current time of day in the user's regional time form.
  virtual Text regionalTimeText() = 0;
};

}  // namespace kestor
