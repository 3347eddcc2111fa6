"""The Python module's costs over the C++ core: step() called from Python against the same steps
made in one C++ loop, and the copy of a 2048 x 2048 grid. One CSV line per scenario.

Run by ./dev bench through build/bench/python_bench (PYTHONPATH set to the built module).
"""
import statistics
import sys
import time

import segsim

ROUNDS = 40
STEPS_PER_ROUND = 10


def step_overhead():
    """Two simulations with one seed take the same steps: one by step() from Python, one step at
    a time; the other by step(n), whose loop runs in C++. The two take turns in short rounds (the
    one that goes first alternating), so both meet the same states and nearly the same load of
    the machine; the median of the rounds' ratios is the overhead. Times are the thread's CPU
    time, which other programs on a busy machine do not lengthen."""
    by_call = segsim.Simulation(seed=1)
    in_cpp = segsim.Simulation(seed=1)
    by_call.step(5)
    in_cpp.step(5)

    def python_round():
        start = time.thread_time()
        for _ in range(STEPS_PER_ROUND):
            by_call.step()
        return time.thread_time() - start

    def cpp_round():
        start = time.thread_time()
        in_cpp.step(STEPS_PER_ROUND)
        return time.thread_time() - start

    python_s, cpp_s = [], []
    for r in range(ROUNDS):
        if r % 2:
            cpp_s.append(cpp_round())
            python_s.append(python_round())
        else:
            python_s.append(python_round())
            cpp_s.append(cpp_round())
    assert (by_call.grid == in_cpp.grid).all()
    ratio = statistics.median(p / c for p, c in zip(python_s, cpp_s))
    # What a call adds whatever the step costs: step(0) does all of step() but the step.
    calls = 20000
    start = time.thread_time()
    for _ in range(calls):
        by_call.step(0)
    call_us = (time.thread_time() - start) / calls * 1e6
    python_ms = statistics.median(python_s) / STEPS_PER_ROUND * 1e3
    cpp_ms = statistics.median(cpp_s) / STEPS_PER_ROUND * 1e3
    print(f"step_defaults,python_cpu_ms_per_step={python_ms:.4f},cpp_loop_cpu_ms_per_step={cpp_ms:.4f},"
          f"overhead_percent={(ratio - 1) * 100:.2f},call_us={call_us:.2f},"
          f"call_percent={call_us / (cpp_ms * 1e3) * 100:.3f},goal_percent=5")


def grid_copy():
    """The grid of a 2048 x 2048 world, half of it taken."""
    sim = segsim.Simulation(seed=1, cell_size=1, panel=2048, agents=2048 * 2048 // 2)
    times = []
    for _ in range(20):
        start = time.perf_counter()
        grid = sim.grid
        times.append(time.perf_counter() - start)
        del grid
    print(f"grid_2048,cells={sim.rows * sim.cols},median_ms={statistics.median(times) * 1e3:.2f},"
          f"min_ms={min(times) * 1e3:.2f},goal_ms=50")


if __name__ == "__main__":
    # ./dev bench hands every benchmark the same arguments; those of Google Benchmark are not ours.
    del sys.argv[1:]
    step_overhead()
    grid_copy()
