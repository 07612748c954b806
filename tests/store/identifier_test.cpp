#include "store/identifier.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "common/failure.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_store_ports.h"

namespace kestor {
namespace {

using fakes::FakeClock;
using fakes::FakeGuidSource;

Guid makeGuid(std::uint32_t d1, std::uint16_t d2, std::uint16_t d3,
              std::vector<std::uint8_t> d4) {
  Guid guid;
  guid.data1 = d1;
  guid.data2 = d2;
  guid.data3 = d3;
  for (std::size_t i = 0; i < 8; ++i) guid.data4[i] = d4.at(i);
  return guid;
}

TEST(FormatGuid, GivesTheBracedUpperCaseForm) {
  struct Row {
    int line;
    Guid guid;
    const char16_t* expected;
  };
  const Row rows[] = {
      // Hex letters in every group come out upper case; Data4 is split 2 + 6 bytes.
      {__LINE__, makeGuid(0xabcdef01, 0xbeef, 0xcafe, {0xde, 0xad, 0xfa, 0xce, 0xb0, 0x0c, 0xf0, 0x0d}),
       u"{ABCDEF01-BEEF-CAFE-DEAD-FACEB00CF00D}"},
      // Leading zeros are kept in every group, bytes included; Data4 keeps its byte order.
      {__LINE__, makeGuid(0x0A1B2C3D, 0x4E5F, 0x6071, {0x82, 0x93, 0xA4, 0xB5, 0xC6, 0xD7, 0xE8, 0xF9}),
       u"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}"},
      // Top bits set: Data1 to Data3 print unsigned.
      {__LINE__, makeGuid(0xFFFFFFFF, 0xFFFF, 0x8000, {0xFF, 0, 0, 0, 0, 0, 0, 0xFF}),
       u"{FFFFFFFF-FFFF-8000-FF00-0000000000FF}"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(formatGuid(row.guid), Text(row.expected));
  }
}

TEST(GenerateIdentifier, StatusZeroGivesTheGuidWithoutTouchingTheClock) {
  FakeGuidSource guids;
  FakeClock clock;
  guids.queueGuid(makeGuid(0x9fe1c2d3, 0xa4b5, 0xc6d7, {0xe8, 0xf9, 0x0a, 0x1b, 0x2c, 0x3d, 0x4e, 0x5f}));

  EXPECT_EQ(generateIdentifier(guids, clock), u"{9FE1C2D3-A4B5-C6D7-E8F9-0A1B2C3D4E5F}");
  EXPECT_EQ(guids.calls(), 1);
  EXPECT_TRUE(clock.calls().empty());
}

TEST(GenerateIdentifier, EveryNonzeroStatusSelectsTheDigitForm) {
  struct Row {
    int line;
    std::int32_t status;
  };
  const Row rows[] = {
      {__LINE__, 1},                                        // S_FALSE: positive, still no GUID
      {__LINE__, static_cast<std::int32_t>(0x80004005)},    // E_FAIL, negative
      {__LINE__, std::numeric_limits<std::int32_t>::min()}, // lowest negative
      {__LINE__, std::numeric_limits<std::int32_t>::max()}, // highest positive
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    FakeGuidSource guids;
    FakeClock clock;
    clock.date = {5, 3, 2007};
    clock.seconds = 50587.6f;
    // Whatever the failing call left in the record must not leak into the id.
    guids.queueStatus(row.status, makeGuid(0x12345678, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(generateIdentifier(guids, clock), u"53200750588");
  }
}

TEST(GenerateIdentifier, DigitFormJoinsDayMonthYearAndRoundedSeconds) {
  struct Row {
    int line;
    LocalDate date;
    float seconds;
    const char16_t* expected;
  };
  const Row rows[] = {
      {__LINE__, {1, 1, 2010}, 0.4f, u"1120100"},             // shortest form, 7 digits
      {__LINE__, {5, 3, 2007}, 50587.6f, u"53200750588"},     // 14:03:07.6 rounds up
      {__LINE__, {31, 12, 2099}, 86399.6f, u"3112209986400"}, // 23:59:59.6 gives 86400, 13 digits
      {__LINE__, {5, 3, 2007}, 50587.5f, u"53200750588"},     // half goes to the even 50588
      {__LINE__, {5, 3, 2007}, 50588.5f, u"53200750588"},     // half goes down to the even 50588
      {__LINE__, {5, 3, 2007}, 0.5f, u"5320070"},             // half at midnight goes to 0
      {__LINE__, {5, 3, 2007}, 1.5f, u"5320072"},             // half goes up to the even 2
      {__LINE__, {5, 3, 2007}, 86399.5f, u"53200786400"},     // last half second goes up to 86400
      {__LINE__, {5, 3, 2007}, 50587.49f, u"53200750587"},    // just under a half goes down
      {__LINE__, {10, 10, 2000}, 10.0f, u"1010200010"},       // zeros inside pieces are kept
      {__LINE__, {1, 12, 2010}, 3600.0f, u"11220103600"},     // 1 December ...
      {__LINE__, {11, 2, 2010}, 3600.0f, u"11220103600"},     // ... and 11 February give the same id
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    FakeGuidSource guids;
    FakeClock clock;
    clock.date = row.date;
    clock.seconds = row.seconds;
    guids.queueStatus(-1);
    EXPECT_EQ(generateIdentifier(guids, clock), Text(row.expected));
  }
}

TEST(GenerateIdentifier, DigitFormReadsTheDateOnceAndBeforeTheSeconds) {
  FakeGuidSource guids;
  FakeClock clock;
  guids.queueStatus(-1);

  generateIdentifier(guids, clock);

  const std::vector<FakeClock::Call> expected = {FakeClock::Call::localDate,
                                                 FakeClock::Call::secondsSinceMidnight};
  EXPECT_EQ(clock.calls(), expected);
}

TEST(GenerateIdentifier, SecondsNoIntegerCanHoldAreAnOverflow) {
  struct Row {
    int line;
    float seconds;
  };
  const Row rows[] = {
      {__LINE__, 2147483648.0f},                           // first value past 32 bits
      {__LINE__, std::numeric_limits<float>::quiet_NaN()}, // not a number
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    FakeGuidSource guids;
    FakeClock clock;
    clock.seconds = row.seconds;
    guids.queueStatus(-1);
    try {
      generateIdentifier(guids, clock);
      ADD_FAILURE() << "no failure";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), error_number::kOverflow);
    }
  }
}

}  // namespace
}  // namespace kestor
