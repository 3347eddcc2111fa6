"""segsim.sweep against segsim-cli sweep."""
import io
import threading
import warnings
import _thread

import pandas as pd
import pytest

import segsim

SMALL = dict(cell_size=40, radius=2, move_distance=4)


def cli_frame(cli, *args, integers=()):
    status, out, err = cli("sweep", *args)
    assert status == 0, err
    frame = pd.read_csv(io.StringIO(out))  # whole numbers as Int64, as segsim.sweep gives them
    return frame.astype({c: "Int64" for c in ["run", "seed", *integers]}), err


@pytest.mark.parametrize("params, cli_params, combinations, integers", [
    # Two parameters: ranges by their last value, lists as lists; the mean rows.
    ({"threshold": range(10, 51, 20), "groups": [2, 4]},
     ["--param", "threshold=10:50:20", "--param", "groups=2,4"], 6,
     ["threshold", "threshold_applied", "groups", "groups_applied"]),
    # One parameter with agents swept as the density: the average, trend and fit rows.
    ({"agents": range(100, 401, 100)}, ["--param", "agents=100:400:100"], 4,
     ["value", "applied"]),
    # The command line's own text and a single value.
    ({"tile_size": "2:6:2", "move_distance": 3},
     ["--param", "tile-size=2:6:2", "--param", "move-distance=3"], 3,
     ["tile-size", "tile-size_applied", "move-distance", "move-distance_applied"]),
    # The group variants, named as on the command line.
    ({"minority": [10, 30], "threshold_2": range(30, 61, 30)},
     ["--param", "minority=10,30", "--param", "threshold_2=30:60:30"], 4,
     ["minority", "minority_applied", "threshold_2", "threshold_2_applied"]),
])
def test_sweep_equals_the_cli_csv(params, cli_params, combinations, integers, cli):
    expected, _ = cli_frame(cli, *cli_params, "--runs", 2, "--steps", 6, "--seed", 5,
                            "--cell-size", 40, "--radius", 2, "--move-distance", 4,
                            integers=integers)
    frame = segsim.sweep(params, runs=2, steps=6, seed=5, **SMALL)
    pd.testing.assert_frame_equal(frame, expected)
    assert (frame["kind"] == "run").sum() == 2 * combinations
    shard = segsim.sweep(params, runs=2, steps=6, seed=5, shard="0/2", **SMALL)
    assert shard["clusters"].dtype == "Int64"  # no summary row: the runs' counts alone


def test_sweep_on_one_thread_equals_every_core():
    params = {"groups": [2, 3, 5]}
    one = segsim.sweep(params, runs=3, steps=4, seed=8, jobs=1, **SMALL)
    every = segsim.sweep(params, runs=3, steps=4, seed=8, **SMALL)
    pd.testing.assert_frame_equal(one, every)
    assert one[one["kind"] == "run"]["seed"].tolist() == list(range(8, 17))


def test_a_fit_that_cannot_be_computed_warns_with_the_cli_message(cli):
    _, err = cli_frame(cli, "--param", "groups=2", "--runs", 1, "--steps", 2, "--seed", 1,
                       "--cell-size", 40)
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        frame = segsim.sweep({"groups": [2]}, runs=1, steps=2, seed=1, cell_size=40)
    assert ["segsim-cli: " + str(w.message) for w in caught] == err.strip().splitlines()
    assert all(w.category is RuntimeWarning for w in caught)
    assert (frame["kind"] == "mean_is_no_fit").sum() == 1


BAD_SWEEPS = {
    "empty list": ({"threshold": []}, ["--param", "threshold="]),
    "empty range": ({"threshold": range(5, 5)}, ["--param", "threshold="]),
    "step 0": ({"threshold": "10:80:0"}, ["--param", "threshold=10:80:0"]),
    "unknown name": ({"nosuch": [1]}, ["--param", "nosuch=1"]),
    "no runs": ({"groups": [2]}, ["--param", "groups=2", "--runs", 0]),
}


@pytest.mark.parametrize("params, cli_args", BAD_SWEEPS.values(), ids=BAD_SWEEPS.keys())
def test_bad_sweeps_raise_the_cli_message(params, cli_args, cli):
    runs = 0 if "--runs" in cli_args else 1
    args = cli_args if "--runs" in cli_args else cli_args + ["--runs", 1]
    status, out, err = cli("sweep", *args, "--steps", 2)
    assert status == 2 and out == ""
    with pytest.raises(ValueError) as error:
        segsim.sweep(params, runs=runs, steps=2)
    assert "segsim-cli: " + str(error.value) == err.strip()


def test_ctrl_c_stops_a_sweep():
    timer = threading.Timer(0.5, _thread.interrupt_main)
    timer.start()
    with pytest.raises(KeyboardInterrupt):
        segsim.sweep({"threshold": range(0, 101)}, runs=1000, steps=500, seed=1)
    timer.join()
    # The engine is free for the next sweep.
    assert (segsim.sweep({"groups": [2, 3, 4]}, runs=1, steps=2, seed=1, degree=2, **SMALL)
            ["kind"] == "run").sum() == 3


def test_phase_diagram_example_draws_its_picture(tmp_path):
    import importlib.util
    import pathlib

    path = pathlib.Path(__file__).parents[2] / "examples" / "phase_diagram.py"
    found = importlib.util.spec_from_file_location("phase_diagram", path)
    example = importlib.util.module_from_spec(found)
    found.loader.exec_module(example)
    out = tmp_path / "phase.png"
    example.main(str(out), runs=1, steps=1)
    data = out.read_bytes()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    width, height = int.from_bytes(data[16:20], "big"), int.from_bytes(data[20:24], "big")
    assert (width, height) == (640, 480)
