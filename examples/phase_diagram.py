"""Phase diagram: the mean segregation index over the tolerance threshold and the number of groups.

Sweeps threshold 10 to 80 against 2 to 8 groups, 5 runs of 200 steps per combination, on every
core, and draws the mean segregation index of each combination as a heat map.

    PYTHONPATH=build/python python3 examples/phase_diagram.py docs/phase_diagram_python.png
"""
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

import segsim  # noqa: E402


def main(out="phase_diagram.png", runs=5, steps=200, seed=42):
    rows = segsim.sweep({"threshold": range(10, 81, 10), "groups": range(2, 9)},
                        runs=runs, steps=steps, seed=seed)
    # One "mean" row per combination: mean_is averaged over its runs. The threshold runs along
    # x and the groups up y, as segsim-cli plot draws the same sweep (README, seed 42).
    means = rows[rows["kind"] == "mean"].pivot(index="groups", columns="threshold",
                                               values="mean_is")
    means.index = means.index.astype(int)
    means.columns = means.columns.astype(int)

    fig, ax = plt.subplots(figsize=(6.4, 4.8), dpi=100)
    image = ax.imshow(means.to_numpy(), origin="lower", aspect="auto", cmap="viridis",
                      vmin=0, vmax=100)
    ax.set_xticks(range(len(means.columns)), [str(t) for t in means.columns])
    ax.set_yticks(range(len(means.index)), [str(g) for g in means.index])
    ax.set_xlabel("tolerance threshold (%)")
    ax.set_ylabel("number of groups")
    ax.set_title(f"Mean segregation index after {steps} steps ({runs} runs each, seed {seed})")
    for i, groups in enumerate(means.index):
        for j, threshold in enumerate(means.columns):
            value = means.loc[groups, threshold]
            ax.text(j, i, f"{value:.0f}", ha="center", va="center",
                    color="white" if value < 60 else "black", fontsize=8)
    fig.colorbar(image, ax=ax, label="mean segregation index (%)")
    fig.tight_layout()
    fig.savefig(out)
    print(f"{out}: {(rows['kind'] == 'run').sum()} runs, seed {seed}")


if __name__ == "__main__":
    main(*sys.argv[1:2])
