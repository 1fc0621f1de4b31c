#!/usr/bin/python3
# Writes vtk/wrapping_block_sizes.vti: a VTK XML image of 2 x 2 points whose one array is
# zlib-compressed in two blocks, with a UInt64 header giving the blocks' compressed sizes as
# 2^64 - 8 and 16. Summed in 64 bits the sizes wrap round to 8, which fits in the file; a reader
# that allocates the first block's size then asks for 2^64 - 8 bytes. Kept as a record of how
# the file was made; the tests read the file and never run this.
import os
import struct
import zlib

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "vtk")
head = ('<?xml version="1.0"?>\n'
        '<VTKFile type="ImageData" version="1.0" byte_order="LittleEndian" header_type="UInt64" '
        'compressor="vtkZLibDataCompressor">\n'
        '  <ImageData WholeExtent="0 1 0 1 0 0" Origin="0 0 0" Spacing="1 1 1">\n'
        '    <Piece Extent="0 1 0 1 0 0">\n'
        '      <PointData Vectors="velocity">\n'
        '        <DataArray type="Float32" Name="velocity" NumberOfComponents="3" format="appended" offset="0"/>\n'
        '      </PointData>\n'
        '    </Piece>\n'
        '  </ImageData>\n'
        '  <AppendedData encoding="raw">\n   _').encode()
# Two blocks, 32 bytes each before compression, the last one 16: the 48 bytes of 4 x 3 floats.
header = struct.pack('<5Q', 2, 32, 16, 2**64 - 8, 16)
blocks = zlib.compress(bytes(32)) + zlib.compress(bytes(16))
with open(os.path.join(here, "wrapping_block_sizes.vti"), "wb") as f:
    f.write(head + header + blocks + b'\n  </AppendedData>\n</VTKFile>\n')
