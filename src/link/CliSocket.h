// One link object: the TCP connection to the PBX with its receive thread.
//
// Threading: Open, Send and the destructor are called by the owner
// (LinkClient) on the window or pipe thread; ReceiveByte and the FrameSink run
// on this object's receive thread only. A link object is replaced whole on
// every reconnection, so its receive state never outlives a connection.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "link/Frame.h"

namespace zy {

// Receives every complete frame, on the receive thread.
class FrameSink {
 public:
  virtual ~FrameSink() = default;
  // `buffer` holds the frame as received (index 0 = STX, big-endian header,
  // payload from 7); it is reused as soon as the call returns.
  virtual void DispatchFrame(const uint8_t* buffer) = 0;
  // The link object's first failure (153 closed by the PBX, 275 read error),
  // reported once, never for a link the program closes itself.
  virtual void OnLinkFailure(int stringId, int64_t code) = 0;
};

// String ids of link failures.
inline constexpr int kErrClosedByServer = 153;  // "Connessione abbattuta dal server"
inline constexpr int kErrConnect = 157;         // "Errore %1: impossibile connettersi al sistema"
inline constexpr int kErrThread = 164;          // "Errore connessione: ... errore %1"
inline constexpr int kErrRecv = 275;            // "Recv(): errore %1"

class CCliSocket {
 public:
  explicit CCliSocket(FrameSink& sink);
  virtual ~CCliSocket();
  CCliSocket(const CCliSocket&) = delete;
  CCliSocket& operator=(const CCliSocket&) = delete;

  // Connects to address:port (dotted IPv4) and starts the receive thread.
  // On failure the error (157 or 164 with the system code) is recorded and
  // false returned. `connectTimeoutMs` bounds the TCP handshake.
  bool Open(const std::string& address, uint16_t port, int connectTimeoutMs);

  // Writes a whole frame, looping over partial writes. False when the link is
  // not up or a write fails.
  bool Send(const uint8_t* bytes, size_t count);

  // Fed by the receive thread with every byte read, in order.
  virtual void ReceiveByte(uint8_t byte) = 0;

  int ErrorStringId() const { return errorId_.load(); }
  int64_t ErrorCode() const { return errorCode_.load(); }
  bool IsUp() const { return fd_ >= 0 && errorId_.load() == 0; }

 protected:
  // Ends the receive thread without reporting; derived classes call it first
  // in their destructor, since the thread calls their ReceiveByte.
  void StopReceiveThread();

  FrameSink& sink_;

 private:
  void ReceiveLoop();
  void RecordFailure(int stringId, int64_t code, bool report);

  int fd_ = -1;
  std::thread thread_;
  std::atomic<int> errorId_{0};
  std::atomic<int64_t> errorCode_{-1};
  std::atomic<bool> closing_{false};
  std::mutex sendMutex_;  // frames from different threads never interleave
};

// The PBX link's receive state machine: hunts for STX, collects the 7-byte
// header and `length` payload bytes, hands the frame to the sink.
class CLumoCliSocket : public CCliSocket {
 public:
  explicit CLumoCliSocket(FrameSink& sink) : CCliSocket(sink) {}
  ~CLumoCliSocket() override;
  void ReceiveByte(uint8_t byte) override;

 private:
  std::array<uint8_t, kReceiveBufferSize> buffer_{};
  uint16_t position_ = 0;
  // Bytes still to skip of a frame whose declared length does not fit the
  // buffer: the frame is dropped whole and the stream stays in step.
  uint32_t discard_ = 0;
};

}  // namespace zy
