"""Where Wine's loader and server are, as cmake/wine-paths says."""
from pathlib import Path


def wine_paths():
    """The assignments in cmake/wine-paths, by name."""
    paths = {}
    for line in (Path(__file__).resolve().parents[1] / "cmake" / "wine-paths").read_text().splitlines():
        name, equals, value = line.partition("=")
        if equals and not line.startswith("#"):
            paths[name.strip()] = value.strip()
    return paths


WINE_LOADER = wine_paths()["WINE_LOADER"]
