#!/usr/bin/env python3
"""A second MCAP reader, written apart from the C++ one, for the tests.

Reads FILE the way a viewer does: with the footer and summary when they are
intact (checking the summary CRC), otherwise by walking the data section up
to the last complete record. Every chunk is decompressed with zstandard and
checked against its CRC, and every message is decoded with protobuf from the
schema embedded in the file. Prints one JSON line:
{"complete": bool, "counts": {topic: messages}, "decoded": messages decoded}.
Exit 1 when anything fails to read or decode.
"""
import json
import struct
import sys
import zlib

import zstandard
from google.protobuf import descriptor_pb2, descriptor_pool

try:
    from google.protobuf.message_factory import GetMessageClass
except ImportError:  # older protobuf
    from google.protobuf import message_factory

    def GetMessageClass(descriptor):
        return message_factory.MessageFactory().GetPrototype(descriptor)

MAGIC = b"\x89MCAP0\r\n"
OP_FOOTER, OP_SCHEMA, OP_CHANNEL, OP_MESSAGE, OP_CHUNK = 0x02, 0x03, 0x04, 0x05, 0x06
OP_CHUNK_INDEX, OP_DATA_END = 0x08, 0x0F


class Fields:
    def __init__(self, data):
        self.data, self.pos = data, 0

    def take(self, n):
        if self.pos + n > len(self.data):
            raise ValueError("record cut short")
        part = self.data[self.pos:self.pos + n]
        self.pos += n
        return part

    def uint(self, size):
        return int.from_bytes(self.take(size), "little")

    def text(self):
        return self.take(self.uint(4)).decode("utf-8")

    def blob(self, length_size):
        return self.take(self.uint(length_size))


def records(data):
    pos = 0
    while pos + 9 <= len(data):
        opcode = data[pos]
        (length,) = struct.unpack_from("<Q", data, pos + 1)
        if pos + 9 + length > len(data):
            return
        yield opcode, data[pos + 9:pos + 9 + length], pos
        pos += 9 + length


def summary_chunks(data):
    """Chunk offsets from an intact summary, or None."""
    tail = 9 + 20 + 8
    if len(data) < len(MAGIC) + tail or data[-8:] != MAGIC or data[-tail] != OP_FOOTER:
        return None
    summary_start, _, crc = struct.unpack_from("<QQI", data, len(data) - tail + 9)
    if summary_start == 0:
        return None
    if crc and zlib.crc32(data[summary_start:len(data) - 8 - 4]) != crc:
        return None
    offsets = []
    for opcode, content, _ in records(data[summary_start:len(data) - tail]):
        if opcode == OP_CHUNK_INDEX:
            offsets.append(struct.unpack_from("<Q", content, 16)[0])
    return offsets


def main(path):
    with open(path, "rb") as f:
        data = f.read()
    if not data.startswith(MAGIC):
        raise ValueError("no MCAP magic")
    schemas, channels, classes = {}, {}, {}
    counts, decoded = {}, 0
    chunk_offsets = summary_chunks(data)
    complete = chunk_offsets is not None

    def remember(opcode, content):
        f = Fields(content)
        if opcode == OP_SCHEMA:
            sid = f.uint(2)
            schemas[sid] = (f.text(), f.text(), f.blob(4))
        elif opcode == OP_CHANNEL:
            cid, sid = f.uint(2), f.uint(2)
            channels[cid] = (f.text(), f.text(), sid)
            counts.setdefault(channels[cid][0], 0)

    def message_class(channel_id):
        topic, encoding, sid = channels[channel_id]
        if channel_id not in classes:
            name, schema_encoding, blob = schemas[sid]
            if encoding != "protobuf" or schema_encoding != "protobuf":
                raise ValueError(f"{topic}: not protobuf")
            pool = descriptor_pool.DescriptorPool()
            files = descriptor_pb2.FileDescriptorSet.FromString(blob)
            for file in files.file:
                pool.Add(file)
            classes[channel_id] = GetMessageClass(pool.FindMessageTypeByName(name))
        return classes[channel_id]

    chunks = []
    body = data[len(MAGIC):]
    for opcode, content, pos in records(body):
        if opcode == OP_DATA_END:
            break
        if opcode in (OP_SCHEMA, OP_CHANNEL):
            remember(opcode, content)
        elif opcode == OP_CHUNK:
            chunks.append(len(MAGIC) + pos)
    if complete and sorted(chunk_offsets) != chunks:
        raise ValueError("chunk index disagrees with the chunks in the file")

    decompressor = zstandard.ZstdDecompressor()
    for offset in chunks:
        (length,) = struct.unpack_from("<Q", data, offset + 1)
        f = Fields(data[offset + 9:offset + 9 + length])
        f.uint(8), f.uint(8)
        size, crc, compression = f.uint(8), f.uint(4), f.text()
        payload = f.blob(8)
        if compression == "zstd":
            payload = decompressor.decompress(payload, max_output_size=size)
        elif compression:
            raise ValueError(f"compression {compression}")
        if len(payload) != size or (crc and zlib.crc32(payload) != crc):
            raise ValueError(f"chunk at {offset}: CRC or size mismatch")
        for opcode, content, _ in records(payload):
            if opcode in (OP_SCHEMA, OP_CHANNEL):
                remember(opcode, content)
            elif opcode == OP_MESSAGE:
                channel_id = struct.unpack_from("<H", content, 0)[0]
                message_class(channel_id).FromString(content[22:])
                counts[channels[channel_id][0]] += 1
                decoded += 1
    print(json.dumps({"complete": complete, "counts": counts, "decoded": decoded}))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        print("usage: mcap_independent_reader.py FILE", file=sys.stderr)
        sys.exit(2)
    try:
        main(sys.argv[1])
    except Exception as error:  # a test script: any failure is a failed read
        print(f"mcap_independent_reader: {error}", file=sys.stderr)
        sys.exit(1)
