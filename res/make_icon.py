#!/usr/bin/env python3
"""Writes sorvane.ico: a small monitor with a pulse line, as 32x32 and 16x16 in 16 colours and
32x32 in 256 colours (BMP images inside an ICO container). Run: python3 make_icon.py [output]."""
import struct
import sys

# The 16-colour system palette, as (red, green, blue).
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_GREEN, GREY, SILVER, GREEN, WHITE, DARK_BLUE = 0, 2, 8, 7, 10, 15, 4
TRANSPARENT = None


# Shapes in the pixel coordinates of each size: boxes as (x0, y0, x1, y1, part), the pulse as points.
LAYOUTS = {
    32: {
        'boxes': [(1, 3, 31, 24, 'bezel'), (2, 4, 30, 23, 'frame'), (4, 6, 28, 21, 'screen'),
                  (13, 24, 19, 27, 'bezel'), (7, 27, 25, 29, 'bezel')],
        'pulse': [(4, 14), (10, 14), (12, 12), (14, 8), (16, 18), (18, 12), (20, 14), (27, 14)],
    },
    16: {
        'boxes': [(0, 1, 16, 12, 'bezel'), (1, 2, 15, 11, 'frame'), (2, 3, 14, 10, 'screen'),
                  (6, 12, 10, 13, 'bezel'), (4, 13, 12, 15, 'bezel')],
        'pulse': [(2, 7), (5, 7), (7, 4), (8, 9), (9, 6), (10, 7), (13, 7)],
    },
}


def draw(size, screen_colour):
    """Returns rows (top first) of palette indices, None where transparent; screen_colour(x, y)
    or a palette index paints the screen."""
    layout = LAYOUTS[size]
    pixels = [[TRANSPARENT] * size for _ in range(size)]
    colours = {'bezel': GREY, 'frame': SILVER, 'screen': screen_colour}
    for x0, y0, x1, y1, part in layout['boxes']:
        colour = colours[part]
        for y in range(y0, y1):
            for x in range(x0, x1):
                pixels[y][x] = colour(x, y) if callable(colour) else colour
    # Draw the pulse segment by segment, two pixels thick on the large image.
    thick = size >= 32
    for (xa, ya), (xb, yb) in zip(layout['pulse'], layout['pulse'][1:]):
        steps = max(abs(xb - xa), abs(yb - ya))
        for i in range(steps + 1):
            x = xa + round((xb - xa) * i / steps)
            y = ya + round((yb - ya) * i / steps)
            pixels[y][x] = GREEN
            if thick:
                pixels[y + 1][x] = GREEN
    return pixels


def row_bytes(bits, width):
    return ((bits * width + 31) // 32) * 4


def bmp_image(pixels, bits, palette):
    size = len(pixels)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bits, 0, 0, 0, 0, len(palette), 0)
    colours = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in palette)
    xor = b''
    mask = b''
    for row in reversed(pixels):  # bottom-up
        values = [0 if p is None else p for p in row]
        if bits == 4:
            packed = bytes((values[i] << 4) | values[i + 1] for i in range(0, size, 2))
        else:
            packed = bytes(values)
        xor += packed.ljust(row_bytes(bits, size), b'\0')
        mask_bits = 0
        for p in row:
            mask_bits = (mask_bits << 1) | (1 if p is None else 0)
        mask += mask_bits.to_bytes(size // 8, 'big').ljust(row_bytes(1, size), b'\0')
    return header + colours + xor + mask


def palette256():
    # The 16 system colours, then a ramp from dark blue to teal for the screen.
    ramp = [(0, int(40 + 100 * i / 239), int(80 + 100 * i / 239)) for i in range(240)]
    return VGA + ramp


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else 'sorvane.ico'
    images = [
        (32, 16, bmp_image(draw(32, BLACK), 4, VGA)),
        (16, 16, bmp_image(draw(16, BLACK), 4, VGA)),
        (32, 0, bmp_image(draw(32, lambda x, y: 16 + (y - 6) * 239 // 14), 8, palette256())),
    ]
    header = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    directory = b''
    data = b''
    for size, colours, image in images:
        bits = 4 if colours == 16 else 8
        directory += struct.pack('<BBBBHHII', size, size, colours, 0, 1, bits, len(image), offset + len(data))
        data += image
    with open(output, 'wb') as f:
        f.write(header + directory + data)


if __name__ == '__main__':
    main()
