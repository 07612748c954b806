#pragma once
// The local calendar and wall clock, with the user's regional forms.
#include "common/clock.h"

namespace kestor::win {

class WindowsClock : public Clock {
 public:
  LocalDate localDate() override;
  float secondsSinceMidnight() override;
  // The short date form, as the user's regional settings write it.
  Text regionalDateText() override;
  // The time form, as the user's regional settings write it ("7:10:02 PM" in the US).
  Text regionalTimeText() override;
};

}  // namespace kestor::win
