#!/usr/bin/env python3
"""Draws the Hello sample's own icon, a white speech bubble on a green tile,
in 16, 24, 32 and 48 pixels as bitmaps and 256 pixels as PNG, with the
launcher's icon writer (resources/make_icon.py).

usage: make_icon.py OUTPUT.ico"""

import math
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "resources"))
import make_icon  # noqa: E402

SIZES = (16, 24, 32, 48, 256)
TILE = (46, 139, 87)
TILE_EDGE = (31, 97, 60)
BUBBLE = (250, 250, 245)
DOTS = (46, 139, 87)


def sample(x, y):
    """Colour and coverage of the design at (x, y) in the unit square."""
    if not make_icon.in_rounded_tile(x, y, 0.2):
        return (0, 0, 0), 0.0
    colour = make_icon.mix(TILE, TILE_EDGE, y)
    # The bubble: an ellipse with a tail down to the left.
    ex, ey = (x - 0.5) / 0.34, (y - 0.45) / 0.25
    in_tail = 0.25 < x < 0.42 and 0.6 < y < 0.82 and (x - 0.25) > (y - 0.6) * 0.75
    if ex * ex + ey * ey <= 1.0 or in_tail:
        colour = BUBBLE
        # Three dots: "…"
        for cx in (0.36, 0.5, 0.64):
            if math.hypot(x - cx, y - 0.45) < 0.05:
                colour = DOTS
    return colour, 1.0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    make_icon.write_icon(sys.argv[1], SIZES, sample)
