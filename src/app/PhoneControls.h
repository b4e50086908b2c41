// The controls of the phone window by id, the items of its function-button
// menus, and the keypad's keys in the order they are laid out.
//
// Threading: constants only.
#pragma once

#include <array>

namespace zy {

// Control ids of the phone window.
namespace control {
inline constexpr int kClose = 2;
inline constexpr int kMinimise = 3;
inline constexpr int kKey1 = 1002;
inline constexpr int kKey2 = 1007;
inline constexpr int kKey3 = 1009;
inline constexpr int kKey4 = 1011;
inline constexpr int kKey5 = 1013;
inline constexpr int kKey6 = 1017;
inline constexpr int kKey7 = 1019;
inline constexpr int kKey8 = 1021;
inline constexpr int kKey9 = 1023;
inline constexpr int kKey0 = 1027;
inline constexpr int kKeyStar = 1025;
inline constexpr int kKeyHash = 1029;
inline constexpr int kOffHook = 1179;
inline constexpr int kOnHook = 1178;
inline constexpr int kHold = 1044;
inline constexpr int kMute = 1061;
inline constexpr int kMessages = 1058;
inline constexpr int kYes = 1089;
inline constexpr int kNo = 1065;
inline constexpr int kUp = 1005;
inline constexpr int kDown = 1031;
inline constexpr int kLeft = 1003;
inline constexpr int kRight = 1004;
inline constexpr int kClear = 1014;
inline constexpr int kCalls = 1059;
inline constexpr int kDisplayArea = 1180;
inline constexpr int kNd = 1181;
inline constexpr int kMode = 1182;
inline constexpr int kAlarm = 1183;
inline constexpr int kId = 1184;
inline constexpr int kUc = 1187;
inline constexpr int kDisplayStatic = 1037;
// The "&Visualizza" drop-down next to the display.
inline constexpr int kView = 1300;
}  // namespace control

// Items of the function-button menus.
namespace menu {
inline constexpr int kNdOn = 32812;
inline constexpr int kNdOff = 32813;
inline constexpr int kModeHoliday = 32814;  // "Modo ferie"; 32815..32823 modes 1..9
inline constexpr int kIdOff = 32824;
inline constexpr int kIdOn = 32825;
inline constexpr int kUcReachable = 32832;
inline constexpr int kUcOnNumber = 32833;
inline constexpr int kUcAnswerMessage = 32834;
}  // namespace menu

// The keypad: control id, character, letters.
struct KeypadKey {
  int id;
  char32_t ch;
  const char* letters;
};
inline constexpr std::array<KeypadKey, 12> kKeypad = {{
    {control::kKey1, U'1', ""},
    {control::kKey2, U'2', "ABC"},
    {control::kKey3, U'3', "DEF"},
    {control::kKey4, U'4', "GHI"},
    {control::kKey5, U'5', "JKL"},
    {control::kKey6, U'6', "MNO"},
    {control::kKey7, U'7', "PQRS"},
    {control::kKey8, U'8', "TUV"},
    {control::kKey9, U'9', "WXYZ"},
    {control::kKeyStar, U'*', ""},
    {control::kKey0, U'0', "+"},
    {control::kKeyHash, U'#', ""},
}};

}  // namespace zy
