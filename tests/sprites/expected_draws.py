#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Prints the stored values of LumivelTest.cpp, SkyvaneTest.cpp, ../render/LumivelGLTest.cpp
and ../platform/RandomTest.cpp, worked out from the drawing rules alone: glibc's random()
through ctypes, single-precision arithmetic by rounding each double result to float32
(exact for one +, -, * or / of two floats), and double precision where the rules'
constants are doubles. Run it again only if a rule changes."""
import ctypes
import math
import struct

libc = ctypes.CDLL("libc.so.6")
libc.random.restype = ctypes.c_long


def f32(x):
    return struct.unpack("f", struct.pack("f", x))[0]


def unit_random():
    return f32(libc.random()) * 2.0**-31  # exact: a power of two


def uniform_float(a, b):
    return f32(a + f32(f32(b - a) * unit_random()))


def uniform_integer(a, b):
    span = b - a + 1 if b >= a else b - a - 1
    v = math.trunc(f32(f32(span) * unit_random()))
    return a if v == span else a + v


def place(picture, rect, base, k):
    size = f32(base)
    for _ in range(16):
        size = f32(size + uniform_integer(0, k))
    w, h = picture
    quad = (f32(w * f32(size / h)), size) if h > w else (size, f32(h * f32(size / w)))
    (x0, y0), (rw, rh) = rect
    x = math.floor(f32(x0 + f32(f32(rw - quad[0]) * unit_random())))
    y = math.floor(f32(y0 + f32(f32(rh - quad[1]) * unit_random())))
    return (x, y), quad


def fading(picture, bounds):
    m = f32(max(bounds))
    origin, quad = place(picture, ((0, 0), bounds), f32(m * 0.125), math.trunc(m * 1.5 / 128))
    step = f32(0.005 + 0.0025 * unit_random())
    peak = f32(0.625 + ((1.0 - step) - 0.625) * unit_random())
    alpha, delta, frames = f32(0.00625), step, 0
    while True:
        frames += 1
        if delta > 0:
            if alpha >= peak:
                delta = -delta
            else:
                alpha = min(f32(alpha + delta), 1.0)
        elif alpha > 0:
            alpha = max(f32(alpha - 0.00625), 0.0)
        else:
            return origin, quad, step, peak, frames


def flying(picture, bounds, preview, speed):
    w, h = bounds
    area = ((f32(-0.5 * w), f32(-0.5 * h)), (f32(w + w), f32(h + h)))
    origin, quad = place(picture, area, 32.0 if preview else 128.0, 2 if preview else 16)
    z = f32(uniform_float(0.0, 1000.0) - 8500.0)
    lo, hi = f32(speed * 0.8), f32(speed * 1.2)
    dz = f32(lo + f32(f32(hi - lo) * unit_random()))
    start, frames = z, 0
    while True:
        frames += 1
        if z < -100.0:
            z = f32(z + dz)
        else:
            return origin, quad, start, dz, frames


def g(x):
    return "%.9g" % x


print("// Fading: seed, picture, origin, size, fade step, peak, frames drawn.")
for seed, picture in ((1, (1600, 1200)), (2, (1600, 1200)), (3, (1200, 1600))):
    libc.srandom(seed)
    (x, y), (w, h), step, peak, frames = fading(picture, (1280, 800))
    print("{ %d, { %d, %d }, { %s, %s }, { %s, %s }, %sf, %sf, %d }," % (seed, *picture, g(x), g(y), g(w), g(h), g(step), g(peak), frames))

print("// Flying: seed, preview, picture, origin, size, start depth, step, frames drawn.")
for seed, preview, picture in ((1, False, (1200, 1600)), (2, False, (1600, 1200)), (3, True, (1600, 1200))):
    libc.srandom(seed)
    (x, y), (w, h), z, dz, frames = flying(picture, (1280, 800), preview, 100.0)
    print("{ %d, %s, { %d, %d }, { %s, %s }, { %s, %s }, %sf, %sf, %d }," % (seed, str(preview).lower(), *picture, g(x), g(y), g(w), g(h), g(z), g(dz), frames))

print("// Renderer, one picture at a time, at random from /0 .. /4 in a 64 x 64 view:")
print("// style, seed, then the frame on which each of the first six pictures is asked for and its path.")
for style, seed in ((0, 5), (1, 6)):
    libc.srandom(seed)
    frame, row = 1, []
    for _ in range(6):
        index = uniform_integer(0, 4)
        row.append("{ %d, \"/%d\" }" % (frame, index))
        frames = fading((4, 4), (64, 64))[4] if style == 0 else flying((4, 4), (64, 64), False, 100.0)[4]
        frame += frames  # dropped at the end of its last frame, replaced in the next
    print("{ %d, %d, { %s } }," % (style, seed, ", ".join(row)))

print("// Helpers after srandom(1): unitRandom, uniformFloat(-2, 6), uniformInteger(0, 9), (0, 0), (3, 6).")
libc.srandom(1)
print("%sf, %sf, %d, %d, %d" % (g(unit_random()), g(uniform_float(-2.0, 6.0)), uniform_integer(0, 9), uniform_integer(0, 0), uniform_integer(3, 6)))
