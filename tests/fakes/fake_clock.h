#pragma once
// A clock that says what it is told and remembers what it was asked, in order.
#include <vector>

#include "common/clock.h"
#include "common/text.h"

namespace kestor::fakes {

class FakeClock : public Clock {
 public:
  enum class Call { localDate, secondsSinceMidnight, regionalDateText, regionalTimeText };

  LocalDate date{5, 3, 2007};
  float seconds = 50587.6f;  // 14:03:07.6
  Text dateText = u"05/03/2007";
  Text timeText = u"14:03:07";

  LocalDate localDate() override {
    calls_.push_back(Call::localDate);
    return date;
  }
  float secondsSinceMidnight() override {
    calls_.push_back(Call::secondsSinceMidnight);
    return seconds;
  }
  Text regionalDateText() override {
    calls_.push_back(Call::regionalDateText);
    return dateText;
  }
  Text regionalTimeText() override {
    calls_.push_back(Call::regionalTimeText);
    return timeText;
  }

  // Every call so far, oldest first.
  const std::vector<Call>& calls() const { return calls_; }
  void clearCalls() { calls_.clear(); }

 private:
  std::vector<Call> calls_;
};

}  // namespace kestor::fakes
