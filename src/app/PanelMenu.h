// The "&Visualizza" menu of the phone window: which items it holds for the
// layout, the station's grants and the panels the program has, which are
// checked and which enabled.
//
// The full layouts (Pro, hotel) offer the service bar, both directories, the
// programmable keys, the missed calls, the queue, the charge views, the room
// status, the groups, the keyboard configuration, the preferences and the
// about box; the basic layout only the private directory, the keyboard
// configuration, the preferences and the about box. An item whose panel or
// dialog the program does not have yet is left out, so that the menu never
// offers a command that does nothing.
//
// Threading: pure functions.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "app/PhoneStream.h"

namespace zy {

// Command ids of the items.
enum class ViewCommand : int {
  ServiceBar = 32792,
  SystemDirectory = 32788,
  PrivateDirectory = 32793,
  ProgrammableKeys = 32790,
  MissedCalls = 32827,
  CallQueue = 32826,
  ChargesByExtension = 32796,
  ChargesByAccount = 32795,
  RoomStatus = 32791,
  Groups = 32794,
  KeyboardConfig = 32787,
  Preferences = 32828,
  About = 32789,
};

// What decides the items.
struct ViewMenuContext {
  PhoneLayout layout = PhoneLayout::Basic;
  bool isOperator = false;
  bool privileged = false;
  bool hotelFunctions = false;
  bool missedCallManager = false;
};

struct ViewMenuItem {
  ViewCommand command;
  std::string_view text;     // Italian, with its '&'
  std::string_view submenu;  // the sub-menu it sits in; empty: the menu itself
  bool panel = false;        // a panel that is shown or hidden (checked when visible)
  bool enabled = true;
  bool operator==(const ViewMenuItem&) const = default;
};

// The text of the sub-menu of the charge views.
inline constexpr std::string_view kChargesSubmenu = "&Documentazione addebiti";

// Whether the program has the panel or dialog of a command. Today: the
// preferences and the about box.
bool ViewCommandAvailable(ViewCommand command);

// The items of the menu in order, with the rules applied: "&Stato camere"
// only for an operator with the hotel functions, "&Gestione gruppi" only for
// an operator, "Gestione c&hiamate" only with the missed-call manager, "Per
// codice" enabled only for an operator or privileged station, and the
// commands the program does not have left out. `available` decides the
// last rule (ViewCommandAvailable by default).
std::vector<ViewMenuItem> ViewMenuItems(const ViewMenuContext& context,
                                        bool (*available)(ViewCommand) = ViewCommandAvailable);

// Bit 0x400 of system parameter 9994: the charge views and the room status
// are active on the PBX.
inline constexpr uint32_t kOptionChargeService = 0x400;

// Whether a charge view may open (the message "Servizio non attivato sul
// sistema" otherwise): the option bit and a full layout.
bool ChargeViewsActive(uint32_t systemOptions, PhoneLayout layout);
// Whether the room status may open: the option bit, the hotel functions and
// an operator.
bool RoomStatusActive(uint32_t systemOptions, bool hotelFunctions, bool isOperator);

}  // namespace zy
