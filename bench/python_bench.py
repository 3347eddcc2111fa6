"""The Python module's costs over the C++ core: step() called from Python against the same steps
made in one C++ loop, and the copy of a 2048 x 2048 grid. One CSV line per scenario.

Run by ./dev bench through build/bench/python_bench (PYTHONPATH set to the built module).
"""
import statistics
import sys
import time

import segsim

ROUNDS = 15
STEPS_PER_ROUND = 10


def step_overhead():
    """Two simulations with one seed take the same steps: one by step() from Python, one step at
    a time; the other by step(n), whose loop runs in C++. Rounds alternate, so both meet the same
    states and the same load of the machine."""
    by_call = segsim.Simulation(seed=1)
    in_cpp = segsim.Simulation(seed=1)
    by_call.step(5)
    in_cpp.step(5)
    python_s = cpp_s = 0.0
    for _ in range(ROUNDS):
        start = time.perf_counter()
        for _ in range(STEPS_PER_ROUND):
            by_call.step()
        python_s += time.perf_counter() - start
        start = time.perf_counter()
        in_cpp.step(STEPS_PER_ROUND)
        cpp_s += time.perf_counter() - start
    assert (by_call.grid == in_cpp.grid).all()
    steps = ROUNDS * STEPS_PER_ROUND
    python_ms = python_s / steps * 1e3
    cpp_ms = cpp_s / steps * 1e3
    overhead = (python_ms / cpp_ms - 1) * 100
    print(f"step_defaults,python_ms_per_step={python_ms:.4f},cpp_loop_ms_per_step={cpp_ms:.4f},"
          f"overhead_percent={overhead:.2f},goal_percent=5")


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
