"""segsim.Simulation against segsim-cli run, and its views of the model."""
import math
import shutil
import subprocess
import threading
import _thread

import numpy as np
import pandas as pd
import pytest

import segsim


def cli_args(settings):
    """The segsim-cli options that give the same setup as these keyword arguments."""
    args = []
    for name, value in settings.items():
        args += ["--" + name.replace("_", "-"), value]
    return args


def same(a, b):
    """Equal as doubles, or both absent (NaN in the frame, null in the trace)."""
    if b is None:
        return math.isnan(a)
    return a == b


TRACE_CASES = {
    # 35 steps: the cluster analyses of steps 1 and 31 and the steps between.
    "defaults": dict(seed=7),
    # Three agents in six groups: empty groups, whose values do not exist.
    "empty groups": dict(seed=3, agents=3, groups=6, cell_size=20, radius=2, move_distance=4),
    "small world": dict(seed=4294967295, agents=150, groups=3, cell_size=40, radius=1,
                        move_distance=3, threshold=50, tile_size=4),
}


@pytest.mark.parametrize("settings", TRACE_CASES.values(), ids=TRACE_CASES.keys())
def test_run_equals_the_cli_trace(settings, cli_trace):
    steps = 35
    setup, lines = cli_trace("--steps", steps, *cli_args(settings))
    assert len(lines) == steps
    sim = segsim.Simulation(**settings)
    assert (sim.cols, sim.rows, sim.agent_count) == (setup["cols"], setup["rows"], setup["agents"])
    assert sim.group_sizes.tolist() == setup["group_sizes"]
    assert sim.group_colors.tolist() == setup["group_colors"]

    frame = sim.run(steps)
    groups = len(setup["group_sizes"])
    assert len(frame) == steps * groups
    for line, (step, rows) in zip(lines, frame.groupby("step", sort=True)):
        assert step == line["step"]
        assert rows["group"].tolist() == list(range(groups))
        assert (rows["moved"] == line["moved"]).all()
        assert (rows["unsatisfied"] == line["unsatisfied"]).all()
        for g, row in enumerate(rows.itertuples(index=False)):
            row = row._asdict()
            assert same(row["satisfaction"], line["satisfaction"][g])
            assert same(row["segregation"], line["segregation"][g])
            # Row g of the trace holds D(g, j) for j > g; the frame holds both orders.
            for k, value in enumerate(line["dissimilarity"][g]):
                j = g + 1 + k
                assert same(row[f"dissimilarity_{j}"], value)
                assert same(rows.iloc[j][f"dissimilarity_{g}"], value)
            if "clusters" in line:
                assert row["clusters"] == line["clusters"][g]
            else:
                assert row["clusters"] is None

    # The measures and clusters of the last step are the frame's last rows.
    last = frame[frame["step"] == steps]
    measures = sim.measures()
    assert measures["step"] == steps == sim.time_step
    np.testing.assert_array_equal(measures["segregation"], last["segregation"].to_numpy())
    np.testing.assert_array_equal(measures["satisfaction"], last["satisfaction"].to_numpy())
    matrix = last[[f"dissimilarity_{j}" for j in range(groups)]].to_numpy()
    np.testing.assert_array_equal(measures["dissimilarity"], matrix)
    assert sim.clusters() == lines[30]["clusters"]


def test_step_and_run_take_the_same_steps():
    stepped = segsim.Simulation(seed=11, cell_size=12)
    stepped.step(4)
    stepped.step()
    ran = segsim.Simulation(seed=11, cell_size=12)
    frame = ran.run(5)
    np.testing.assert_array_equal(stepped.grid, ran.grid)
    np.testing.assert_array_equal(stepped.measures()["segregation"],
                                  frame[frame["step"] == 5]["segregation"].to_numpy())


def test_grid_agrees_with_agents():
    sim = segsim.Simulation(seed=5, groups=4, cell_size=10)
    sim.step(3)
    grid = sim.grid
    agents = sim.agents
    assert grid.shape == (sim.rows, sim.cols) and grid.dtype == np.int32
    assert len(agents) == sim.agent_count
    # Every agent stands on its own cell, which shows its group; every other cell is empty.
    assert not agents.duplicated(["column", "row"]).any()
    np.testing.assert_array_equal(grid[agents["row"], agents["column"]], agents["group"])
    assert (grid >= 0).sum() == len(agents)
    assert np.bincount(agents["group"], minlength=4).tolist() == sim.group_sizes.tolist()
    # A copy: writing into it leaves the model as it was.
    grid[:] = 0
    assert (sim.grid == -1).sum() == sim.rows * sim.cols - sim.agent_count


def test_threads_step_simulations_as_sequential_runs_do():
    settings = [dict(seed=21, cell_size=8), dict(seed=22, groups=3, cell_size=8)]

    def work(config, results, slot, barrier=None):
        sim = segsim.Simulation(**config)
        if barrier:
            barrier.wait()
        frame = sim.run(20)
        sim.step(10)
        results[slot] = (frame, sim.grid)

    sequential = [None, None]
    for i, config in enumerate(settings):
        work(config, sequential, i)

    concurrent = [None, None]
    barrier = threading.Barrier(2)
    threads = [threading.Thread(target=work, args=(c, concurrent, i, barrier))
               for i, c in enumerate(settings)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for (frame_a, grid_a), (frame_b, grid_b) in zip(sequential, concurrent):
        pd.testing.assert_frame_equal(frame_a, frame_b)
        np.testing.assert_array_equal(grid_a, grid_b)


BAD_SETTINGS = {
    "threshold above 100": dict(threshold=120),
    "threshold below 0": dict(threshold=-1),
    "threshold no integer": dict(threshold=2.5),
    "agents beyond 32 bits": dict(agents=2**31),
    "cell size 0": dict(cell_size=0),
    "no group": dict(groups=0),
    "too many groups": dict(groups=2001),
    "negative radius": dict(radius=-1),
    "radius too large": dict(radius=23170),
    "negative move distance": dict(move_distance=-1),
    "panel below a cell": dict(panel=3, cell_size=7),
    "grid below the groups": dict(cell_size=1000),
    "seed beyond 32 bits": dict(seed=2**32),
}


def python_names(cli_message, names):
    """segsim-cli's message with the Python names of its options."""
    for name in sorted(names, key=len, reverse=True):
        cli_message = cli_message.replace("--" + name.replace("_", "-"), name)
    return cli_message.strip().removeprefix("segsim-cli: ")


@pytest.mark.parametrize("settings", BAD_SETTINGS.values(), ids=BAD_SETTINGS.keys())
def test_bad_settings_raise_the_cli_message(settings, cli):
    status, _, err = cli("run", "--steps", 0, *cli_args(settings))
    assert status == 2
    with pytest.raises(ValueError) as error:
        segsim.Simulation(**settings)
    assert str(error.value) == python_names(err, settings)
    assert "--" not in str(error.value)


def test_bad_step_counts_raise_the_cli_message(cli):
    sim = segsim.Simulation(seed=1, cell_size=30)
    for steps in (-1, 2**31):
        _, _, err = cli("run", "--steps", steps)
        for call in (sim.step, sim.run):
            with pytest.raises(ValueError) as error:
                call(steps)
            assert str(error.value) == python_names(err, ["steps"])
    assert sim.time_step == 0


def test_a_world_too_large_raises_memory_error():
    with pytest.raises(MemoryError):
        segsim.Simulation(cell_size=1, panel=2_000_000_000)
    # The interpreter and the module go on.
    assert segsim.Simulation(seed=1, cell_size=30).run(1)["step"].tolist()[0] == 1


def test_ctrl_c_stops_stepping_between_steps():
    sim = segsim.Simulation(seed=2, cell_size=3)
    timer = threading.Timer(0.3, _thread.interrupt_main)
    timer.start()
    with pytest.raises(KeyboardInterrupt):
        sim.step(1_000_000)
    timer.join()
    made = sim.time_step
    assert 0 < made < 1_000_000
    # The model stays whole and steps on from where it stopped.
    sim.step()
    assert sim.time_step == made + 1


def test_seed_repeats_a_clock_seeded_run():
    first = segsim.Simulation(cell_size=12)
    again = segsim.Simulation(seed=first.seed, cell_size=12)
    pd.testing.assert_frame_equal(first.run(3), again.run(3))


def test_docstrings_on_every_public_name():
    names = [n for n in dir(segsim.Simulation) if not n.startswith("_")]
    assert names
    for name in names:
        assert getattr(segsim.Simulation, name).__doc__, name
    assert segsim.__doc__ and segsim.Simulation.__doc__


def test_settings_changed_between_steps_act_as_set(cli_trace, cli):
    settings = dict(seed=9, cell_size=8, groups=4)
    _, lines = cli_trace("--steps", 12, *cli_args(settings), "--set", "5:threshold=45",
                         "--set", "5:tile-size=7", "--set", "9:agents=1500",
                         "--set", "9:threshold=10")
    sim = segsim.Simulation(**settings)
    parts = [sim.run(4)]
    sim.threshold = 45
    sim.tile_size = 7
    parts.append(sim.run(4))
    sim.agent_count = 1500
    sim.threshold = 10
    parts.append(sim.run(4))
    assert (sim.threshold, sim.tile_size, sim.agent_count) == (10, 7, 1500)
    frame = pd.concat(parts)
    for line in lines:
        rows = frame[frame["step"] == line["step"]]
        assert (rows["moved"] == line["moved"]).all()
        assert [same(a, b) for a, b in zip(rows["segregation"], line["segregation"])] == [True] * 4
        assert [same(a, b) for a, b in zip(rows["satisfaction"], line["satisfaction"])] == [True] * 4

    # A value refused names the attribute (the command line, the setting), and nothing changes.
    fixed = "{} is fixed at setup: make a new simulation, segsim.Simulation({}={}, ...)"
    refused = [("threshold", 101, ValueError, "threshold must be from 0 to 100, not 101"),
               ("tile_size", 0, ValueError, "tile_size must be at least 1, not 0"),
               ("agent_count", -1, ValueError,
                "agent_count must be from 2 to the number of cells, 7569, not -1"),
               ("agent_count", 2.5, ValueError, "the value of agent_count is no integer: '2.5'"),
               ("groups", 3, AttributeError, fixed), ("panel", 300, AttributeError, fixed)]
    for name, value, kind, message in refused:
        with pytest.raises(kind) as error:
            setattr(sim, name, value)
        assert str(error.value) == message.format(name, name, value)
    _, _, err = cli("run", "--steps", 13, *cli_args(settings), "--set", "13:threshold=101")
    assert err.strip().endswith(": " + refused[0][3])
    assert (sim.threshold, sim.tile_size, sim.agent_count) == (10, 7, 1500)


def decoded(path):
    """Every frame of a picture or video as RGB bytes, decoded by ffmpeg."""
    done = subprocess.run(["ffmpeg", "-v", "error", "-i", str(path), "-fps_mode", "passthrough",
                           "-f", "rawvideo", "-pix_fmt", "rgb24", "-"],
                          capture_output=True, check=True)
    return done.stdout


def test_image_and_record_are_the_cli_drawing(cli, tmp_path):
    if shutil.which("ffmpeg") is None:
        pytest.skip("no ffmpeg to decode the pictures")
    settings = dict(seed=9, cell_size=3, groups=5, panel=90)
    sim = segsim.Simulation(**settings)
    first = sim.image()
    assert first.dtype == np.uint8 and first.shape == (90, 90, 3)
    assert (sim.image(scale=2)[::2, ::2] == first).all()
    sim.record(tmp_path / "run.gif", 3, frame_every=2, fps=10)
    frames = np.frombuffer(decoded(tmp_path / "run.gif"), np.uint8).reshape(-1, 90, 90, 3)
    assert len(frames) == 2 and (frames[0] == first).all() and (frames[1] != first).any()
    # frame 1 is step 2; the picture after step 3 is segsim-cli's
    status, _, err = cli("run", "--steps", 3, *cli_args(settings), "--picture", tmp_path / "3.png")
    assert status == 0, err
    assert decoded(tmp_path / "3.png") == sim.image().tobytes()

    refused = [(dict(path=tmp_path / "x.avi"), ValueError, "path must end in .mp4, .webm or .gif"),
               (dict(frame_every=0), ValueError, "frame_every must be at least 1, not 0"),
               (dict(fps=121), ValueError, "fps must be from 1 to 120, not 121"),
               (dict(scale=17), ValueError, "scale must be from 1 to 16, not 17"),
               (dict(path=tmp_path / "no" / "x.mp4"), OSError, "No such file or directory")]
    for arguments, kind, message in refused:
        with pytest.raises(kind, match=message):
            sim.record(**{"path": tmp_path / "x.mp4", "steps": 2, **arguments})
    assert sim.measures()["step"] == 3 and sorted(p.name for p in tmp_path.iterdir()) == [
        "3.png", "run.gif"]


def test_group_variants_equal_the_cli_and_thresholds_set_as_set(cli_trace):
    setup, lines = cli_trace("--steps", 6, "--seed", 2, "--groups", 2, "--cell-size", 20,
                             "--shares", "1,3", "--thresholds", "30,60",
                             "--set", "4:threshold_1=80")
    sim = segsim.Simulation(seed=2, groups=2, cell_size=20, shares=[1, 3], thresholds=(30, 60))
    assert sim.group_sizes.tolist() == setup["group_sizes"]
    assert (sim.shares, sim.thresholds) == ([1.0, 3.0], [30, 60])
    parts = [sim.run(3)]
    sim.thresholds = [80, 60]
    frame = pd.concat([*parts, sim.run(3)])
    for line in lines:
        rows = frame[frame["step"] == line["step"]]
        assert (rows["unsatisfied"] == line["unsatisfied"]).all()
        assert [same(a, b) for a, b in zip(rows["satisfaction"], line["satisfaction"])] == [True] * 2
    with pytest.raises(ValueError) as error:
        sim.thresholds = [80]
    assert str(error.value) == "thresholds 80: 1 thresholds for 2 groups; give one per group"
    assert sim.thresholds == [80, 60]
