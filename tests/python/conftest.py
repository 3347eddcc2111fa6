"""Shared helpers of the segsim module's tests: the built segsim-cli and its output."""
import json
import os
import subprocess

import pytest


@pytest.fixture(scope="session")
def cli():
    """Runs segsim-cli with the given arguments; returns (exit status, stdout, stderr)."""
    path = os.environ.get("SEGSIM_CLI")
    if not path:
        pytest.skip("SEGSIM_CLI is not set (ctest sets it to the built segsim-cli)")

    def run(*args):
        done = subprocess.run([path, *map(str, args)], capture_output=True, text=True)
        return done.returncode, done.stdout, done.stderr

    return run


@pytest.fixture(scope="session")
def cli_trace(cli):
    """The JSON Lines trace of segsim-cli run, parsed: the setup line and the step lines."""

    def trace(*args):
        status, out, err = cli("run", *args)
        assert status == 0, err
        lines = [json.loads(line) for line in out.splitlines()]
        return lines[0], lines[1:]

    return trace
