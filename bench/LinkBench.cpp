// Frames through the receiver and dispatcher, and the synchronous request
// against the simulator next to a raw request/reply on the same loopback.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

#include "link/CliSocket.h"
#include "link/Codes.h"
#include "link/Frame.h"
#include "link/LinkClient.h"
#include "pbxsim/Simulator.h"

namespace {

void AppendFrame(std::vector<uint8_t>& out, uint16_t subject, uint16_t code,
                 const std::vector<uint8_t>& payload) {
  const size_t at = out.size();
  out.resize(at + 7 + payload.size());
  out[at] = 0x02;
  zy::WriteBe16(&out[at + 1], static_cast<uint16_t>(payload.size()));
  zy::WriteBe16(&out[at + 3], subject);
  zy::WriteBe16(&out[at + 5], code);
  std::copy(payload.begin(), payload.end(), out.begin() + at + 7);
}

void Feed(benchmark::State& state, const std::vector<uint8_t>& stream, size_t framesPerPass) {
  zy::LinkClient link;
  zy::CLumoCliSocket receiver(link);
  for (auto _ : state) {
    for (uint8_t b : stream) receiver.ReceiveByte(b);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * framesPerPass));
  state.counters["cache"] = static_cast<double>(link.Cache().Size());
}

// Keep-alive polls: header only.
void BM_ReceiveKeepAlivePolls(benchmark::State& state) {
  std::vector<uint8_t> stream;
  for (int i = 0; i < 1000; ++i) AppendFrame(stream, 0, zy::code::kKeepAlivePoll, {});
  Feed(state, stream, 1000);
}
BENCHMARK(BM_ReceiveKeepAlivePolls);

// Small data-memory records (an extension number) for 1000 owners.
void BM_ReceiveRecordsIntoCache(benchmark::State& state) {
  std::vector<uint8_t> stream;
  for (uint16_t owner = 0; owner < 1000; ++owner) {
    AppendFrame(stream, owner, 258, {'2', '0', '1', 0});
  }
  Feed(state, stream, 1000);
}
BENCHMARK(BM_ReceiveRecordsIntoCache);

// One data-memory read through RequestAndWait against the simulator.
void BM_RequestAndWaitRoundTrip(benchmark::State& state) {
  pbxsim::Scenario scenario;
  scenario.SetRecord(0x0010, 258, "201");
  pbxsim::Simulator sim(scenario);
  sim.SetReceivedLimit(16);
  sim.Start(0);
  zy::LinkClient link;
  link.SetPbxAddress("127.0.0.1", sim.Port());
  if (!link.OpenLink()) {
    state.SkipWithError("no link");
    return;
  }
  for (auto _ : state) {
    auto v = link.ReadParameter(0x0010, 258);
    if (!v) state.SkipWithError("no answer");
    benchmark::DoNotOptimize(v);
  }
}
BENCHMARK(BM_RequestAndWaitRoundTrip)->UseRealTime();

// The same request and reply with a bare blocking socket: the floor.
void BM_RawLoopbackRoundTrip(benchmark::State& state) {
  pbxsim::Scenario scenario;
  scenario.SetRecord(0x0010, 258, "201");
  pbxsim::Simulator sim(scenario);
  sim.SetReceivedLimit(16);
  sim.Start(0);
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(sim.Port());
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    state.SkipWithError("no connection");
    return;
  }
  int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  const auto request = zy::BuildFrame(0, zy::code::kRead, 0x0010, 258);
  // The record frame (7 + 4 bytes) and the acknowledgement (7 bytes).
  constexpr size_t kReply = 7 + 4 + 7;
  uint8_t buf[256];
  for (auto _ : state) {
    if (::send(fd, request.data(), request.size(), 0) != static_cast<ssize_t>(request.size())) {
      state.SkipWithError("send");
      break;
    }
    size_t got = 0;
    while (got < kReply) {
      const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
      if (n <= 0) {
        state.SkipWithError("recv");
        break;
      }
      got += static_cast<size_t>(n);
    }
  }
  ::close(fd);
}
BENCHMARK(BM_RawLoopbackRoundTrip)->UseRealTime();

}  // namespace
