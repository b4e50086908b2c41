// Fixture: the phone's link client connected to an in-process simulator on
// loopback, with a short injected reply time-out.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "link/LinkClient.h"
#include "pbxsim/Simulator.h"

namespace zy::test {

using namespace std::chrono_literals;

// Records the link's events; waits for them with a bound.
class RecordingLinkEvents : public LinkEventSink {
 public:
  void OnLinkError(int id, int64_t code) override {
    Push([&] { errors.emplace_back(id, code); });
  }
  void OnDisplay(std::vector<uint8_t> p) override {
    Push([&] { displays.push_back(std::move(p)); });
  }
  void OnStatus(uint16_t subject, std::vector<uint8_t> p) override {
    Push([&] { statuses.emplace_back(subject, std::move(p)); });
  }
  void OnMedia(uint16_t subject) override {
    Push([&] { media.push_back(subject); });
  }
  void OnDialRequest(std::string n) override {
    Push([&] { dials.push_back(std::move(n)); });
  }

  template <class Pred>
  bool WaitFor(Pred pred, std::chrono::milliseconds timeout = 5s) {
    std::unique_lock lock(mutex);
    return cv.wait_for(lock, timeout, pred);
  }

  std::mutex mutex;
  std::condition_variable cv;
  std::vector<std::pair<int, int64_t>> errors;
  std::vector<std::vector<uint8_t>> displays;
  std::vector<std::pair<uint16_t, std::vector<uint8_t>>> statuses;
  std::vector<uint16_t> media;
  std::vector<std::string> dials;

 private:
  template <class F>
  void Push(F f) {
    {
      std::lock_guard lock(mutex);
      f();
    }
    cv.notify_all();
  }
};

class SimLinkTest : public ::testing::Test {
 protected:
  // Starts the simulator with `scenario` and connects the link to it.
  void StartWith(pbxsim::Scenario scenario = {}, std::chrono::milliseconds replyTimeout = 2000ms) {
    sim = std::make_unique<pbxsim::Simulator>(std::move(scenario));
    ASSERT_TRUE(sim->Start(0));
    link.SetReplyTimeout(replyTimeout);
    link.SetPbxAddress("127.0.0.1", sim->Port());
    ASSERT_TRUE(link.OpenLink()) << link.LastErrorStringId();
    ASSERT_TRUE(sim->WaitForClient(5s));
  }
  void SetUp() override {}
  void TearDown() override {
    link.Close();
    if (sim) sim->Stop();
  }

  // How many frames of `code` the simulator has received so far.
  size_t CountReceived(uint16_t code) const {
    size_t n = 0;
    for (const auto& f : sim->Received()) n += f.code == code;
    return n;
  }

  RecordingLinkEvents events;
  LinkClient link{&events};
  std::unique_ptr<pbxsim::Simulator> sim;
};

}  // namespace zy::test
