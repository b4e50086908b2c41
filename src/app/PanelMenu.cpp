#include "app/PanelMenu.h"

#include <array>

namespace zy {

namespace {

struct ItemRule {
  ViewCommand command;
  std::string_view text;
  std::string_view submenu;
  bool panel;
  bool fullLayoutsOnly;
};

constexpr std::array<ItemRule, 13> kItems = {{
    {ViewCommand::ServiceBar, "&Barra servizi", "", true, true},
    {ViewCommand::SystemDirectory, "&Elenco telefonico", "", true, true},
    {ViewCommand::PrivateDirectory, "&Numeri brevi personali", "", true, false},
    {ViewCommand::ProgrammableKeys, "&Tasti programmabili", "", true, true},
    {ViewCommand::MissedCalls, "Gestione c&hiamate", "", true, true},
    {ViewCommand::CallQueue, "&Coda chiamate", "", true, true},
    {ViewCommand::ChargesByExtension, "Per interno", kChargesSubmenu, false, true},
    {ViewCommand::ChargesByAccount, "Per codice", kChargesSubmenu, false, true},
    {ViewCommand::RoomStatus, "&Stato camere", "", false, true},
    {ViewCommand::Groups, "&Gestione gruppi", "", false, true},
    {ViewCommand::KeyboardConfig, "C&onfigurazione tastiera", "", false, false},
    {ViewCommand::Preferences, "&Preferenze...", "", false, false},
    {ViewCommand::About, "&Informazioni su ...", "", false, false},
}};

}  // namespace

bool ViewCommandAvailable(ViewCommand command) {
  return command == ViewCommand::Preferences || command == ViewCommand::About;
}

std::vector<ViewMenuItem> ViewMenuItems(const ViewMenuContext& context,
                                        bool (*available)(ViewCommand)) {
  const bool full = HasFunctionButtons(context.layout);
  std::vector<ViewMenuItem> items;
  for (const ItemRule& rule : kItems) {
    if (rule.fullLayoutsOnly && !full) continue;
    if (rule.command == ViewCommand::RoomStatus &&
        !(context.hotelFunctions && context.isOperator)) {
      continue;
    }
    if (rule.command == ViewCommand::Groups && !context.isOperator) continue;
    if (rule.command == ViewCommand::MissedCalls && !context.missedCallManager) continue;
    if (available && !available(rule.command)) continue;
    ViewMenuItem item{rule.command, rule.text, rule.submenu, rule.panel, true};
    if (rule.command == ViewCommand::ChargesByAccount) {
      item.enabled = context.isOperator || context.privileged;
    }
    items.push_back(item);
  }
  return items;
}

bool ChargeViewsActive(uint32_t systemOptions, PhoneLayout layout) {
  return (systemOptions & kOptionChargeService) != 0 && HasFunctionButtons(layout);
}

bool RoomStatusActive(uint32_t systemOptions, bool hotelFunctions, bool isOperator) {
  return (systemOptions & kOptionChargeService) != 0 && hotelFunctions && isOperator;
}

}  // namespace zy
