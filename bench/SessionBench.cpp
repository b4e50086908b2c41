// Login and model load of a large PBX from the simulator on loopback, with
// the condition-variable wait and with a 1 ms polling wait, in the same run.
#include <benchmark/benchmark.h>

#include "link/LinkClient.h"
#include "link/Session.h"
#include "pbxsim/Simulator.h"

namespace {

void BM_LoginAndLoadModel(benchmark::State& state) {
  const int extensions = static_cast<int>(state.range(0));
  const bool polling = state.range(1) != 0;
  pbxsim::Simulator sim(pbxsim::Scenario::Generate(extensions));
  sim.SetReceivedLimit(64);
  if (!sim.Start(0)) {
    state.SkipWithError("simulator");
    return;
  }
  for (auto _ : state) {
    zy::LinkClient link;
    link.SetPollingWait(polling);
    link.SetPbxAddress("127.0.0.1", sim.Port());
    if (!link.OpenLink()) {
      state.SkipWithError("no link");
      return;
    }
    zy::LoginParams params{"200", "1234", 20000, 16};
    zy::SessionFlags flags;
    zy::PbxModel model;
    if (!zy::Login(link, params, flags).ok || !zy::LoadModel(link, model, true)) {
      state.SkipWithError("login failed");
      return;
    }
    state.counters["extensions"] = static_cast<double>(model.extensions.Size());
    link.Close();
    sim.WaitForDisconnect(std::chrono::seconds(5));
  }
  state.SetLabel(polling ? "1 ms polling wait" : "condition variable");
}
BENCHMARK(BM_LoginAndLoadModel)
    ->Args({2000, 0})
    ->Args({2000, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

}  // namespace
