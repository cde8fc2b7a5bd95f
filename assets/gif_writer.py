"""Writes GIF files: one or more frames of palette indices, with a delay per
frame and a loop count. The image data is LZW-coded the simple way (a clear
code before the code table grows), which every decoder reads."""
import struct


def _lzw(indices, min_code_size):
    clear = 1 << min_code_size
    end = clear + 1
    code_size = min_code_size + 1
    # Codes stay at code_size bits: a clear code comes before the table
    # would need a wider code.
    run = (1 << min_code_size) - 2
    codes = []
    for start in range(0, len(indices), run):
        codes.append(clear)
        codes.extend(indices[start:start + run])
    codes.append(end)
    bits = 0
    nbits = 0
    out = bytearray()
    for code in codes:
        bits |= code << nbits
        nbits += code_size
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8
    if nbits:
        out.append(bits & 0xFF)
    blocks = bytearray()
    for i in range(0, len(out), 255):
        chunk = out[i:i + 255]
        blocks.append(len(chunk))
        blocks += chunk
    blocks.append(0)
    return bytes(blocks)


def gif_bytes(width, height, palette, frames, delays_cs=None, loops=0):
    """palette: up to 256 (r, g, b); frames: lists of rows of indices;
    delays_cs: per frame, in hundredths of a second; loops: 0 for ever."""
    size_bits = max(1, (len(palette) - 1).bit_length())
    table = list(palette) + [(0, 0, 0)] * ((1 << size_bits) - len(palette))
    out = bytearray(b'GIF89a')
    out += struct.pack('<HHBBB', width, height, 0x80 | (size_bits - 1), 0, 0)
    for r, g, b in table:
        out += bytes((r, g, b))
    if len(frames) > 1:
        out += b'\x21\xff\x0bNETSCAPE2.0\x03\x01' + struct.pack('<H', loops) + b'\x00'
    min_code_size = max(2, size_bits)
    for number, rows in enumerate(frames):
        delay = delays_cs[number] if delays_cs else 0
        out += b'\x21\xf9\x04\x00' + struct.pack('<H', delay) + b'\x00\x00'
        out += b'\x2c' + struct.pack('<HHHHB', 0, 0, width, height, 0)
        out.append(min_code_size)
        out += _lzw([index for row in rows for index in row], min_code_size)
    out.append(0x3B)
    return bytes(out)


def solid(width, height, index):
    return [[index] * width for _ in range(height)]
