// A moment in the machine's local time, to the second: when a rescue was
// recorded, as its files' names and its report give it.
#pragma once

namespace kvx {

struct LocalTime {
  int year = 1970;
  int month = 1;  // 1 to 12
  int day = 1;    // 1 to 31
  int hour = 0;
  int minute = 0;
  int second = 0;
  bool operator==(const LocalTime&) const = default;
};

// The system clock's present moment in local time.
LocalTime LocalTimeNow();

}  // namespace kvx
