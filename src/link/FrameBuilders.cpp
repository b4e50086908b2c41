#include "link/FrameBuilders.h"

#include <string>

#include "link/Codes.h"
#include "link/Frame.h"

namespace zy {

namespace {
uint16_t OwnId(LinkClient& link) { return link.State().ownId; }

// Texts end with a NUL on the wire.
std::string Terminated(std::string_view a) { return std::string(a) + '\0'; }
}  // namespace

bool SendKey(LinkClient& link, uint16_t keyCode) {
  return link.SendFrame(BuildFrame(keyCode, code::kKey, 0, 0));
}

bool SendDigits(LinkClient& link, std::string_view digits) {
  for (char c : digits) {
    if (!SendKey(link, static_cast<uint8_t>(c))) return false;
  }
  return true;
}

bool RequestStoredRecords(LinkClient& link, uint16_t id, bool clear) {
  return link.RequestAndWait(BuildFrame(id, code::kRequestRecords, 0, clear ? 3 : 1));
}

bool RequestAccountRecords(LinkClient& link, uint16_t accountCode, bool clear) {
  return link.RequestAndWait(
      BuildFrame(accountCode, code::kRequestAccountRecords, 0, clear ? 3 : 1));
}

bool SendCheckOut(LinkClient& link, uint16_t roomId) {
  return link.RequestAndWait(BuildFrame(roomId, code::kCheckOut, 0, 0));
}

bool SendCheckIn(LinkClient& link, uint16_t roomId) {
  return link.RequestAndWait(BuildFrame(roomId, code::kCheckIn, 0, 0));
}

bool SendRoomReady(LinkClient& link, uint16_t roomId) {
  return link.RequestAndWait(BuildFrame(roomId, code::kRoomReady, 0, 0));
}

bool SendHotelView(LinkClient& link, bool on) {
  return link.SendFrame(BuildFrame(OwnId(link), code::kHotelView, on ? 1 : 0, 0));
}

bool SendPickUpQueued(LinkClient& link, const std::array<uint8_t, 4>& reference) {
  return link.SendFrame(BuildFrame(79, code::kPickUpQueued, 0, 0, reference));
}

bool RequestCallRecords(LinkClient& link) {
  return link.RequestAndWait(BuildFrame(OwnId(link), code::kRequestCalls, 0, 0));
}

bool SendMessagesChanged(LinkClient& link) {
  return link.SendFrame(BuildFrame(256, code::kMessagesChanged, OwnId(link), 0));
}

bool SendSms(LinkClient& link, std::string_view number, std::string_view text) {
  return link.SendFrame(
      BuildFrame(OwnId(link), code::kSendSms, 0, 0, Terminated(number) + Terminated(text)));
}

bool SendServiceFunction(LinkClient& link, uint16_t function) {
  return link.SendFrame(BuildFrame(function, code::kServiceFunction, 0, 0));
}

bool SendChargeAssignment(LinkClient& link, uint16_t extensionId, uint16_t chargeCode,
                          uint16_t unitPriceCents, uint8_t quantity, bool charge) {
  const std::array<uint8_t, 2> payload = {quantity, static_cast<uint8_t>(charge ? 1 : 0)};
  return link.SendFrame(
      BuildFrame(extensionId, code::kChargeAssignment, chargeCode, unitPriceCents, payload));
}

bool DeleteCallRecords(LinkClient& link) {
  return link.RequestAndWait(BuildFrame(OwnId(link), code::kDeleteCalls, 0, 0));
}

bool SendTextMessage(LinkClient& link, uint16_t addresseeId, std::string_view text) {
  return link.SendFrame(
      BuildFrame(OwnId(link), code::kTextMessage, addresseeId, 0, Terminated(text)));
}

}  // namespace zy
