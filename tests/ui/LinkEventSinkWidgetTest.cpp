// The link's events reach the window thread as posted calls: never run on
// the receive thread, in order, and dropped once the sink is gone.
#include <gtest/gtest.h>

#include <QThread>
#include <thread>

#include "support/QtTestApp.h"
#include "ui/UiLinkEventSink.h"

namespace zy {
namespace {

TEST(LinkEventSinkTest, EventsRunOnTheWindowThreadInOrder) {
  test::TestApp();
  ui::UiLinkEventSink sink;
  std::vector<std::string> seen;
  bool offThread = false;
  auto onWindowThread = [&] { offThread |= QThread::currentThread() != qApp->thread(); };
  sink.handlers().display = [&](std::vector<uint8_t> p) {
    onWindowThread();
    seen.push_back("display " + std::string(p.begin(), p.end()));
  };
  sink.handlers().linkError = [&](int id, int64_t code) {
    onWindowThread();
    seen.push_back("error " + std::to_string(id) + " " + std::to_string(code));
  };
  sink.handlers().dialRequest = [&](std::string n) {
    onWindowThread();
    seen.push_back("dial " + n);
  };

  std::thread receive([&] {
    std::vector<uint8_t> payload = {'h', 'i'};
    sink.OnDisplay(payload);
    payload[0] = 'X';  // the posted event holds its own copy
    sink.OnDialRequest("101");
    sink.OnMedia(1);  // no handler: ignored
    sink.OnLinkError(153, -1);
  });
  receive.join();
  EXPECT_TRUE(seen.empty()) << "nothing runs on the receive thread";
  ASSERT_TRUE(test::WaitUntil([&] { return seen.size() == 3; }));
  EXPECT_EQ(seen, (std::vector<std::string>{"display hi", "dial 101", "error 153 -1"}));
  EXPECT_FALSE(offThread);
}

TEST(LinkEventSinkTest, QueuedEventsDieWithTheSink) {
  test::TestApp();
  int calls = 0;
  {
    ui::UiLinkEventSink sink;
    sink.handlers().linkError = [&](int, int64_t) { ++calls; };
    sink.OnLinkError(275, 104);
  }
  QCoreApplication::processEvents();
  EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace zy
