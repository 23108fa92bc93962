#!/usr/bin/env python3
"""Writes imgAlerta.xpm, the screen's alert icon: a yellow warning triangle
with a dark outline and exclamation mark on an olive background (#808000).
The grid replaces every olive pixel by the cell's background when it draws
the icon, so olive must appear nowhere but around the triangle.

    screen/resources/make_imgalerta.py > screen/resources/imgAlerta.xpm
"""

SIZE = 16
BACKGROUND, OUTLINE, FILL = " ", "#", "y"
COLOURS = {BACKGROUND: "#808000", OUTLINE: "#000000", FILL: "#FFFF00"}


def triangle():
    rows = [[BACKGROUND] * SIZE for _ in range(SIZE)]
    top, base = 1, SIZE - 2
    for r in range(top, base + 1):
        # The apex is two pixels wide; the base spans the whole width.
        left = round((SIZE / 2 - 1) * (base - r) / (base - top))
        right = SIZE - 1 - left
        for c in range(left, right + 1):
            edge = c in (left, right) or r == base
            rows[r][c] = OUTLINE if edge else FILL
    middle = (SIZE // 2 - 1, SIZE // 2)
    for r in list(range(6, 10)) + [11, 12]:  # the bar, then the dot
        for c in middle:
            rows[r][c] = OUTLINE
    return ["".join(row) for row in rows]


def main():
    pixels = triangle()
    lines = [f'"{SIZE} {SIZE} {len(COLOURS)} 1"']
    lines += [f'"{key} c {value}"' for key, value in COLOURS.items()]
    lines += [f'"{row}"' for row in pixels]
    print("/* XPM */")
    print("static const char* const imgAlerta[] = {")
    print(",\n".join(lines))
    print("};")


if __name__ == "__main__":
    main()
