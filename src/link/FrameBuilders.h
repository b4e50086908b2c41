// One builder per message the phone sends. Each builds the frame and sends it
// (or, for the synchronous ones, sends it and waits for the end of reply);
// each returns false without sending when there is no link.
//
// Threading: window thread and pipe thread (see LinkClient).
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "link/LinkClient.h"

namespace zy {

// 0xFE14: one key press (a digit, a function key, 0x8000 + n for key n).
bool SendKey(LinkClient& link, uint16_t keyCode);
// Sends the characters of a number one by one as keys.
bool SendDigits(LinkClient& link, std::string_view digits);

// 0xFE16 (sync): the stored records of an extension or room; `clear` asks
// the PBX to clear them after reading.
bool RequestStoredRecords(LinkClient& link, uint16_t id, bool clear);
// 0xFE17 (sync): the same for an account code.
bool RequestAccountRecords(LinkClient& link, uint16_t accountCode, bool clear);
// 0xFE18 (sync) check-out, 0xFE19 (sync) check-in, 0xFE1B (sync) room ready.
bool SendCheckOut(LinkClient& link, uint16_t roomId);
bool SendCheckIn(LinkClient& link, uint16_t roomId);
bool SendRoomReady(LinkClient& link, uint16_t roomId);
// 0xFE1A: hotel view of the programmable keys panel on or off.
bool SendHotelView(LinkClient& link, bool on);
// 0xFE1C: pick up a queued call; the reference exactly as the PBX sent it.
bool SendPickUpQueued(LinkClient& link, const std::array<uint8_t, 4>& reference);
// 0xFE20 (sync): the call records of the own extension.
bool RequestCallRecords(LinkClient& link);
// 0xFE22: the messages changed (after deleting one).
bool SendMessagesChanged(LinkClient& link);
// 0xFE26: an SMS to a number.
bool SendSms(LinkClient& link, std::string_view number, std::string_view text);
// 0xFE27: a PBX service function.
bool SendServiceFunction(LinkClient& link, uint16_t function);
// 0xFE28: a charge (or credit) of `quantity` items at `unitPriceCents`.
bool SendChargeAssignment(LinkClient& link, uint16_t extensionId, uint16_t chargeCode,
                          uint16_t unitPriceCents, uint8_t quantity, bool charge);
// 0xFE2E (sync): delete the call records of the own extension.
bool DeleteCallRecords(LinkClient& link);
// 0xFE5E: an internal text message to an extension.
bool SendTextMessage(LinkClient& link, uint16_t addresseeId, std::string_view text);

}  // namespace zy
