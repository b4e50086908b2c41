#include "app/PhoneStream.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

namespace zy {

// Readable failure output for the actions.
inline void PrintTo(const PhoneAction& a, std::ostream* os) {
  std::visit(
      [os](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, SetLampAction>) {
          *os << "Lamp(" << static_cast<int>(v.lamp) << ", " << v.on << ")";
        } else if constexpr (std::is_same_v<T, StopRingAction>) {
          *os << "StopRing";
        } else if constexpr (std::is_same_v<T, StartRingAction>) {
          *os << "StartRing(" << static_cast<int>(v.sound) << ")";
        } else if constexpr (std::is_same_v<T, CursorAction>) {
          *os << "Cursor(" << int(v.command) << ", " << int(v.position) << ")";
        } else if constexpr (std::is_same_v<T, KeyLampAction>) {
          *os << "KeyLamp(" << v.key << ", " << v.state << ")";
        } else if constexpr (std::is_same_v<T, DisplayLineAction>) {
          *os << "Line(" << v.line.line << ", \"" << v.line.text << "\")";
        } else if constexpr (std::is_same_v<T, BusyAction>) {
          *os << "Busy(" << v.busy << ")";
        } else if constexpr (std::is_same_v<T, EnableButtonsAction>) {
          *os << "Buttons(nd " << v.nd << ", mode " << v.mode << ", id " << v.id << ", uc " << v.uc
              << ")";
        } else if constexpr (std::is_same_v<T, MuteMicrophoneAction>) {
          *os << "MuteMic(" << v.mute << ")";
        } else if constexpr (std::is_same_v<T, PhoneIdleAction>) {
          *os << "PhoneIdle";
        } else if constexpr (std::is_same_v<T, ModeAction>) {
          *os << "Mode(" << v.mode << ", owner " << v.owner << ", param " << v.parameter << ", \""
              << v.fallbackName << "\")";
        }
      },
      a);
}

namespace {

using Bytes = std::vector<uint8_t>;

PhoneActions Actions(std::initializer_list<PhoneAction> list) { return PhoneActions(list); }

class PhoneStreamTest : public ::testing::Test {
 protected:
  PhoneActions Display(const Bytes& bytes) { return stream.Display(bytes); }
  PhoneActions Status(uint16_t subject, const std::string& payload) {
    const Bytes bytes(payload.begin(), payload.end());
    return stream.Status(subject, bytes);
  }

  PhoneStream stream{PhoneLayout::Pro, /*isOperator=*/false};
};

// --- Lamps ---------------------------------------------------------------

TEST_F(PhoneStreamTest, LampByteIsReadThenSkippedAsItsOwnCommand) {
  EXPECT_EQ(Display({0x40, 0x11}), Actions({SetLampAction{PhoneLamp::Messages, false}}));
  EXPECT_EQ(Display({0x41, 0x11}), Actions({SetLampAction{PhoneLamp::Messages, true}}));
}

TEST_F(PhoneStreamTest, LampNumbersAndStates) {
  struct Case {
    uint8_t command;
    uint8_t number;
    PhoneLamp lamp;
    bool on;
  };
  const Case cases[] = {
      {0x47, 16, PhoneLamp::Nd, true},       {0x40, 16, PhoneLamp::Nd, false},
      {0x44, 18, PhoneLamp::Calls, true},    {0x42, 19, PhoneLamp::Uc, true},
      {0x43, 17, PhoneLamp::Messages, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Display({c.command, c.number}), Actions({SetLampAction{c.lamp, c.on}}))
        << int(c.command) << " " << int(c.number);
  }
}

TEST_F(PhoneStreamTest, UnknownLampNumberIsIgnoredButStillReadAsACommand) {
  // Lamp 0x29 does not exist; the byte then rings the trunk ring.
  EXPECT_EQ(Display({0x41, 0x29}), Actions({StartRingAction{RingSound::Trunk}}));
  EXPECT_TRUE(Display({0x41, 0x05}).empty());
}

TEST_F(PhoneStreamTest, LampCommandAtTheEndIsDropped) { EXPECT_TRUE(Display({0x41}).empty()); }

// --- Rings and skipping --------------------------------------------------

TEST_F(PhoneStreamTest, RingCommandsAndStop) {
  EXPECT_EQ(Display({')', '*', '+', ',', '-', '('}),
            Actions({StartRingAction{RingSound::Trunk}, StartRingAction{RingSound::Extension},
                     StartRingAction{RingSound::Hold}, StartRingAction{RingSound::Booking},
                     StartRingAction{RingSound::Beep}, StopRingAction{}}));
}

TEST_F(PhoneStreamTest, LongSkipPassesOverItsBytesThenRings) {
  // E3 skips the three bytes 41 42 43 (which would otherwise switch lamps).
  EXPECT_EQ(Display({0xE3, 0x41, 0x42, 0x43, 0x29}), Actions({StartRingAction{RingSound::Trunk}}));
}

TEST_F(PhoneStreamTest, SkipCommandsHideWhatFollows) {
  const PhoneActions ringThenStop = Actions({StartRingAction{RingSound::Trunk}, StopRingAction{}});
  struct Case {
    Bytes bytes;
    PhoneActions expected;
    const char* what;
  };
  const Case cases[] = {
      {{0x48, 0x29}, {}, "0x48 skips one byte"},
      {{0x4F, 0x29}, {}, "0x4F skips one byte"},
      {{0xC0, 0x29}, {}, "0xC0 skips one byte"},
      {{0xDF, 0x29}, {}, "0xDF skips one byte"},
      {{0xE1, 0x29}, {}, "0xE1 skips one byte"},
      {{0xE0, 0x29, 0x28}, ringThenStop, "0xE0 skips none"},
      {{0xE2, 0x41, 0x10, 0x29, 0x28}, ringThenStop, "0xE2 skips a whole lamp command"},
      {{0xFF, 0x29}, {}, "0xFF skips 31 bytes, past the end"},
      {{0x00, 0x1F, 0x20, 0x2E, 0x3F, 0x58, 0x7F}, {}, "ignored bytes"},
  };
  for (const Case& c : cases) EXPECT_EQ(Display(c.bytes), c.expected) << c.what;
}

// --- Cursor and key lamps --------------------------------------------------

TEST_F(PhoneStreamTest, CursorTakesTwoBytes) {
  EXPECT_EQ(Display({0x53, 0x45, 0x29}),
            Actions({CursorAction{0x53, 0x45}, StartRingAction{RingSound::Trunk}}));
  // The position byte is not a command even when it looks like one.
  EXPECT_EQ(Display({0x50, 0x29}), Actions({CursorAction{0x50, 0x29}}));
  EXPECT_TRUE(Display({0x57}).empty());
}

TEST_F(PhoneStreamTest, ProgrammableKeyLamp) {
  // Key ((c & 3) << 8) + next, state (c >> 2) & 7.
  EXPECT_EQ(Display({0xA0, 0x05}), Actions({KeyLampAction{5, 0}}));
  EXPECT_EQ(Display({0xBF, 0xFF}), Actions({KeyLampAction{0x3FF, 7}}));
  EXPECT_EQ(Display({0xA9, 0x10, 0x28}), Actions({KeyLampAction{0x110, 2}, StopRingAction{}}));
  EXPECT_TRUE(Display({0xA9}).empty());
}

// --- Phone status byte ------------------------------------------------------

TEST_F(PhoneStreamTest, BusyDisablesFunctionButtonsAndIdleEnablesThem) {
  EXPECT_EQ(Display({0x81}),
            Actions({BusyAction{true}, EnableButtonsAction{false, false, false, false}}));
  EXPECT_TRUE(stream.Busy());
  EXPECT_EQ(Display({0x80}),
            Actions({BusyAction{false}, EnableButtonsAction{true, false, true, true},
                     SetLampAction{PhoneLamp::Mute, false}, PhoneIdleAction{}}));
  EXPECT_EQ(stream.PhoneStatus(), 0);
}

TEST_F(PhoneStreamTest, OperatorGetsTheModeButtonInsteadOfNd) {
  PhoneStream op(PhoneLayout::Hotel, /*isOperator=*/true);
  EXPECT_EQ(op.Buttons(), (EnableButtonsAction{false, true, true, true}));
  op.Display(Bytes{0x81});
  const PhoneActions idle = op.Display(Bytes{0x80});
  ASSERT_GE(idle.size(), 2u);
  EXPECT_EQ(idle[1], PhoneAction(EnableButtonsAction{false, true, true, true}));
}

TEST_F(PhoneStreamTest, SpeechPathDrivesMuteLampAndMicrophone) {
  // Off-hook without speech path: busy, but the speech bit did not change.
  EXPECT_EQ(Display({0x81}),
            Actions({BusyAction{true}, EnableButtonsAction{false, false, false, false}}));
  // Speech path opens: unmuted.
  EXPECT_EQ(Display({0x83}),
            Actions({SetLampAction{PhoneLamp::Mute, false}, MuteMicrophoneAction{false}}));
  // Speech path closes while busy (the user pressed MUTE): muted, lamp on.
  EXPECT_EQ(Display({0x81}),
            Actions({SetLampAction{PhoneLamp::Mute, true}, MuteMicrophoneAction{true}}));
  // Bits 2..4 are kept but change nothing.
  EXPECT_TRUE(Display({0x9D}).empty());
  EXPECT_EQ(stream.PhoneStatus(), 0x1D);
}

TEST_F(PhoneStreamTest, BasicLayoutHasNoMuteLampButStillMutes) {
  PhoneStream basic(PhoneLayout::Basic, false);
  basic.Display(Bytes{0x83});
  EXPECT_EQ(basic.Display(Bytes{0x81}), Actions({MuteMicrophoneAction{true}}));
  EXPECT_EQ(basic.Display(Bytes{0x80}),
            Actions({BusyAction{false}, EnableButtonsAction{true, false, true, true},
                     PhoneIdleAction{}}));
}

TEST_F(PhoneStreamTest, IdleOnlyWhenTheByteBecomesZero) {
  Display({0x84});  // a kept bit only: not busy, not idle-from-busy
  EXPECT_EQ(Display({0x80}), Actions({SetLampAction{PhoneLamp::Mute, false}, PhoneIdleAction{}}));
  EXPECT_EQ(Display({0x80}), Actions({SetLampAction{PhoneLamp::Mute, false}}));
}

TEST_F(PhoneStreamTest, LostLinkClearsTheStatusLikeAnIdleCommand) {
  Display({0x83});
  EXPECT_EQ(stream.ClearPhoneStatus(),
            Actions({BusyAction{false}, EnableButtonsAction{true, false, true, true},
                     SetLampAction{PhoneLamp::Mute, false}, SetLampAction{PhoneLamp::Mute, false},
                     MuteMicrophoneAction{false}, PhoneIdleAction{}}));
  EXPECT_EQ(stream.PhoneStatus(), 0);
}

// --- Status stream ----------------------------------------------------------

TEST_F(PhoneStreamTest, StatusBlockWithLineBelow12IsADisplayLine) {
  // Attributes 0x03: inverse and large.
  EXPECT_EQ(Status(0x0305, "Ciao"),
            Actions({DisplayLineAction{DisplayLine{5, true, true, "Ciao"}}}));
}

TEST_F(PhoneStreamTest, StatusRecordModeReadsTheModeName) {
  const PhoneActions a = Status(0x0400, "xxF-xx-");
  ASSERT_FALSE(a.empty());
  EXPECT_EQ(a[0], PhoneAction(ModeAction{1, 1280, 0x27A1, "Modo 1"}));
  EXPECT_EQ(stream.Mode(), 1);
}

TEST_F(PhoneStreamTest, StatusRecordFields) {
  // Line 12 with no attributes is a status record too.
  EXPECT_EQ(Status(0x000C, "..H..."), Actions({ModeAction{0, 1280, 0x27A0, "Modo 0"},
                                               SetLampAction{PhoneLamp::Alarm, false}}));
  EXPECT_EQ(Status(0x0400, "..EB..@"),
            Actions({ModeAction{2, 1280, 0x27A2, "Modo 2"}, SetLampAction{PhoneLamp::Alarm, true},
                     SetLampAction{PhoneLamp::Id, true}}));
  EXPECT_EQ(Status(0x0400, "..7b..!"),
            Actions({ModeAction{7, 1280, 0x27A7, "Modo 7"}, SetLampAction{PhoneLamp::Alarm, false},
                     SetLampAction{PhoneLamp::Id, false}}));
  EXPECT_EQ(stream.Mode(), 7);
}

TEST_F(PhoneStreamTest, StatusRecordWithUnknownModeKeepsTheMode) {
  Status(0x0400, "..3");
  EXPECT_EQ(Status(0x0400, "..ZB"), Actions({SetLampAction{PhoneLamp::Alarm, true}}));
  EXPECT_EQ(stream.Mode(), 3);
}

TEST_F(PhoneStreamTest, ShortStatusRecordReadsOnlyWhatIsThere) {
  EXPECT_TRUE(Status(0x0400, "").empty());
  EXPECT_TRUE(Status(0x0400, "ab").empty());
  EXPECT_FALSE(stream.Mode().has_value());
}

TEST_F(PhoneStreamTest, BasicLayoutIgnoresTheStatusRecord) {
  PhoneStream basic(PhoneLayout::Basic, false);
  const Bytes record{'.', '.', 'F', 'B', '.', '.', '@'};
  EXPECT_TRUE(basic.Status(0x0400, record).empty());
  EXPECT_EQ(basic.Status(0x0001, record).size(), 1u);  // still a display line
}

// --- Helpers -----------------------------------------------------------------

TEST(PhoneStreamHelpers, ModeButtonTextFallsBackWhenTheNameIsMissing) {
  EXPECT_EQ(ModeButtonText(1, std::string("Giorno")), "Giorno");
  EXPECT_EQ(ModeButtonText(1, std::string("Notte\0xx", 8)), "Notte");
  EXPECT_EQ(ModeButtonText(4, std::nullopt), "Modo 4");
}

TEST(PhoneStreamHelpers, LayoutFromEditionFlags) {
  EXPECT_EQ(LayoutForEdition(0x04 | 0x02), PhoneLayout::Basic);
  EXPECT_EQ(LayoutForEdition(0x02 | 0x08), PhoneLayout::Pro);
  EXPECT_EQ(LayoutForEdition(0x08), PhoneLayout::Hotel);
  EXPECT_EQ(LayoutForEdition(0x00), PhoneLayout::Basic);
}

}  // namespace
}  // namespace zy
