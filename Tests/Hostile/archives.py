"""Hostile archives built in code: ZIP records written field by field where zipfile would refuse
(overlapping entries, names of 65,535 bytes), zipfile elsewhere."""

import io
import re
import struct
import zipfile
import zlib

LOCAL_SIG, CENTRAL_SIG, END_SIG = 0x04034B50, 0x02014B50, 0x06054B50
STORED, DEFLATED = 0, 8


def raw_deflate(data: bytes, level: int = 9) -> bytes:
    packer = zlib.compressobj(level, zlib.DEFLATED, -15)
    return packer.compress(data) + packer.flush()


def deflated_zeros(size: int) -> tuple[bytes, int]:
    """A raw deflate stream of `size` zero bytes and their CRC-32, made a MiB at a time (never
    held whole)."""
    packer = zlib.compressobj(9, zlib.DEFLATED, -15)
    chunk, out, crc, left = bytes(1 << 20), [], 0, size
    while left:
        piece = chunk[: min(left, len(chunk))]
        out.append(packer.compress(piece))
        crc = zlib.crc32(piece, crc)
        left -= len(piece)
    out.append(packer.flush())
    return b"".join(out), crc


def local_header(name: bytes, method: int, crc: int, csize: int, usize: int) -> bytes:
    return struct.pack("<IHHHHHIIIHH", LOCAL_SIG, 20, 0, method, 0, 0, crc, csize, usize, len(name), 0) + name


def central_record(name: bytes, method: int, crc: int, csize: int, usize: int, offset: int) -> bytes:
    return struct.pack(
        "<IHHHHHHIIIHHHHHII", CENTRAL_SIG, 20, 20, 0, method, 0, 0, crc, csize, usize, len(name), 0, 0, 0, 0, 0, offset
    ) + name


def end_record(count: int, cd_size: int, cd_offset: int) -> bytes:
    return struct.pack("<IHHHHIIH", END_SIG, 0, 0, count, count, cd_size, cd_offset, 0)


class RawZip:
    """Appends local entries and central records by hand; `entry` returns the local offset so
    several central records may point at one local entry."""

    def __init__(self):
        self.body = bytearray()
        self.central = bytearray()
        self.count = 0

    def local(self, name: bytes, data: bytes, method: int, crc: int, usize: int) -> int:
        offset = len(self.body)
        self.body += local_header(name, method, crc, len(data), usize) + data
        return offset

    def record(self, name: bytes, method: int, crc: int, csize: int, usize: int, offset: int) -> None:
        self.central += central_record(name, method, crc, csize, usize, offset)
        self.count += 1

    def entry(self, name: bytes, content: bytes, method: int = DEFLATED) -> int:
        data = raw_deflate(content) if method == DEFLATED else content
        crc = zlib.crc32(content)
        offset = self.local(name, data, method, crc, len(content))
        self.record(name, method, crc, len(data), len(content), offset)
        return offset

    def zeros(self, name: bytes, size: int) -> None:
        """A deflated entry of `size` zero bytes: a MiB of archive per GiB of entry."""
        data, crc = deflated_zeros(size)
        self.record(name, DEFLATED, crc, len(data), size, self.local(name, data, DEFLATED, crc, size))

    def bytes(self) -> bytes:
        assert self.count <= 0xFFFF
        return bytes(self.body) + bytes(self.central) + end_record(self.count, len(self.central), len(self.body))


def overlapping_bomb(kernel_size: int, copies: int) -> bytes:
    """One local entry of `kernel_size` zeros, deflated, and `copies` central records that all
    point at it under different names: extracted naively, copies * kernel_size bytes."""
    data, crc = deflated_zeros(kernel_size)
    z = RawZip()
    offset = z.local(b"kernel.bin", data, DEFLATED, crc, kernel_size)
    for index in range(copies):
        z.record(b"copy%05d.bin" % index, DEFLATED, crc, len(data), kernel_size, offset)
    return z.bytes()


def zipfile_archive(entries: dict[str, bytes], compression: int = zipfile.ZIP_DEFLATED) -> bytes:
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", compression) as archive:
        for name, content in entries.items():
            archive.writestr(name, content)
    return buffer.getvalue()


def empty_entries(count: int) -> bytes:
    """`count` empty stored files, each with its own local header (no overlap)."""
    z = RawZip()
    for index in range(count):
        z.entry(b"e%05d" % index, b"", STORED)
    return z.bytes()


def long_names(extra: dict[bytes, bytes] | None = None) -> bytes:
    """Entries whose names are 65,535 bytes long: one flat, one of nested one-letter folders,
    one of multi-byte UTF-8 letters, plus any `extra` entries."""
    z = RawZip()
    z.entry(b"n" * 0xFFFF, b"flat")
    z.entry((b"d/" * (0xFFFF // 2)) + b"x", b"deep")  # 65,535 bytes: 32,767 folders and a file
    z.entry(("\u00e9" * (0xFFFF // 2)).encode() + b"z", b"accented")
    for name, content in (extra or {}).items():
        z.entry(name, content)
    return z.bytes()


def png_header_lying(width: int, height: int) -> bytes:
    """A PNG signature and IHDR that announce width x height RGBA, then a tiny IDAT and IEND."""

    def chunk(kind: bytes, payload: bytes) -> bytes:
        return struct.pack(">I", len(payload)) + kind + payload + struct.pack(">I", zlib.crc32(kind + payload))

    ihdr = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    idat = zlib.compress(b"\0" * 64)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", idat) + chunk(b"IEND", b"")


# --------------------------------------------------------------------------- binary FBX


def fbx_with_array_claim(fbx: bytes, node_name: bytes, claimed: int) -> bytes:
    """The binary FBX with every zlib array of a `node_name` node claiming `claimed` elements
    while holding its real ones: a reader that sizes its buffer from the claim allocates
    claimed * 8 bytes. The array follows the node's length-prefixed name, so it is patched in place."""
    out = bytearray(fbx)
    found = [m.end() for m in re.finditer(re.escape(bytes([len(node_name)]) + node_name) + rb"[fdlib]", fbx)]
    compressed = [at for at in found if struct.unpack_from("<I", fbx, at + 4)[0] == 1]
    for at in compressed:
        struct.pack_into("<I", out, at, claimed)
    assert compressed, f"no zlib {node_name!r} array in the FBX"
    return bytes(out)
