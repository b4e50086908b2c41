// Message codes of the PBX link.
#pragma once

#include <cstdint>

namespace zy::code {

// Received (PBX to phone).
inline constexpr uint16_t kAck = 0xFE01;
inline constexpr uint16_t kKeepAlivePoll = 0xFE02;
inline constexpr uint16_t kLoginAccepted = 0xFE03;
inline constexpr uint16_t kDisplay = 0xFE04;
inline constexpr uint16_t kUnused05 = 0xFE05;
inline constexpr uint16_t kUnused06 = 0xFE06;
inline constexpr uint16_t kCharge07 = 0xFE07;
inline constexpr uint16_t kCharge08 = 0xFE08;
inline constexpr uint16_t kRoomAlarm = 0xFE09;
inline constexpr uint16_t kRoomCheckIn = 0xFE0A;
inline constexpr uint16_t kRoomCheckOut = 0xFE0B;
inline constexpr uint16_t kRoomCheckInNoOut = 0xFE0C;
inline constexpr uint16_t kRoomCheckInOut = 0xFE0D;
inline constexpr uint16_t kOptionDisabled = 0xFE30;
inline constexpr uint16_t kNotConfigured = 0xFE31;
inline constexpr uint16_t kNotExisting = 0xFE32;
inline constexpr uint16_t kNoPort = 0xFE33;
inline constexpr uint16_t kCharge34 = 0xFE34;
inline constexpr uint16_t kCharge35 = 0xFE35;
inline constexpr uint16_t kCallRecord = 0xFE36;
inline constexpr uint16_t kStatus = 0xFE3B;
inline constexpr uint16_t kMedia = 0xFE3C;
inline constexpr uint16_t kUnused40 = 0xFE40;
inline constexpr uint16_t kQueuedCall = 0xFE41;
inline constexpr uint16_t kAlreadyConnected = 0xFE4D;
inline constexpr uint16_t kKeyLabelSet = 0xFE60;
inline constexpr uint16_t kKeyLabelClear = 0xFE61;
inline constexpr uint16_t kDialRequest = 0xFE76;

// Sent (phone to PBX).
inline constexpr uint16_t kRangeRead = 0xFE10;
inline constexpr uint16_t kRead = 0xFE11;
inline constexpr uint16_t kWrite = 0xFE12;
inline constexpr uint16_t kDelete = 0xFE13;
inline constexpr uint16_t kKey = 0xFE14;
inline constexpr uint16_t kKeepAlive = 0xFE15;
inline constexpr uint16_t kRequestRecords = 0xFE16;
inline constexpr uint16_t kRequestAccountRecords = 0xFE17;
inline constexpr uint16_t kCheckOut = 0xFE18;
inline constexpr uint16_t kCheckIn = 0xFE19;
inline constexpr uint16_t kHotelView = 0xFE1A;
inline constexpr uint16_t kRoomReady = 0xFE1B;
inline constexpr uint16_t kPickUpQueued = 0xFE1C;
inline constexpr uint16_t kRequestCalls = 0xFE20;
inline constexpr uint16_t kLogin = 0xFE21;
inline constexpr uint16_t kMessagesChanged = 0xFE22;
inline constexpr uint16_t kSendSms = 0xFE26;
inline constexpr uint16_t kServiceFunction = 0xFE27;
inline constexpr uint16_t kChargeAssignment = 0xFE28;
inline constexpr uint16_t kDeleteCalls = 0xFE2E;
inline constexpr uint16_t kTextMessage = 0xFE5E;

}  // namespace zy::code
