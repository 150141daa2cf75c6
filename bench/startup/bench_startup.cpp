// Wall time of a whole offscreen start: process launch, window and context,
// loading every file of the production, one frame, shutdown. The second
// benchmark starts at the end of the particle scene instead, so its
// difference to the first is the cost of that seek (replaying the swarm's
// 691 frames without drawing) and of a heavier first frame.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

namespace {

void StartRun(benchmark::State& state, const char* start) {
  for (auto _ : state) {
    const auto begin = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
      if (!freopen("/dev/null", "w", stderr)) _exit(126);
      setenv("SDL_VIDEODRIVER", "offscreen", 1);
      execl(VELMORA_PATH, VELMORA_PATH, "--data", VELMORA_DATA_DIR, "--offscreen", "--start", start,
            "--until", start, static_cast<char*>(nullptr));
      _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("velmora did not start cleanly");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(end - begin).count());
  }
}
void BM_StartUpToFirstFrame(benchmark::State& state) { StartRun(state, "0"); }
void BM_StartAtParticleSceneEnd(benchmark::State& state) { StartRun(state, "105.6"); }
BENCHMARK(BM_StartUpToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_StartAtParticleSceneEnd)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
