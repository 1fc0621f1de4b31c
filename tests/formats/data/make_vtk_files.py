#!/usr/bin/python3
# Writes the VTK files in vtk/ with VTK's own writers (Debian: python3-vtk9), so that the
# readers are tested on files exactly as VTK writes them. Kept as a record of how the files
# were made; the tests read the files and never run this.
#
# Every file holds the same analytic fields on its points (or cells):
#   velocity = (x + 2y, 3x - y + z, 0), p = x*y - 1, and in some files Vorticity = x - y.
# The velocity's true vorticity is dv/dx - du/dy = 1, which differences reproduce exactly.
import os
import vtk

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "vtk")
os.makedirs(here, exist_ok=True)


def array(name, comps, values, double):
    a = vtk.vtkDoubleArray() if double else vtk.vtkFloatArray()
    a.SetName(name)
    a.SetNumberOfComponents(comps)
    for t in values:
        a.InsertNextTuple(t)
    return a


def fill(data, points, double, active_vectors=True, vorticity=False, vector_name="velocity", mask=None,
         on_cells=False):
    vel = [(x + 2 * y, 3 * x - y + z, 0.0) for (x, y, z) in points]
    target = data.GetCellData() if on_cells else data.GetPointData()
    v = array(vector_name, 3, vel, double)
    p = array("p", 1, [(x * y - 1.0,) for (x, y, z) in points], double)
    target.AddArray(p)
    if active_vectors:
        target.SetVectors(v)
        target.SetScalars(p)
    else:
        target.AddArray(v)
    if vorticity:
        target.AddArray(array("Vorticity", 1, [(x - y,) for (x, y, z) in points], double))
    if mask is not None:
        m = vtk.vtkCharArray()
        m.SetName("vtkValidPointMask")
        for n in range(len(points)):
            m.InsertNextTuple1(0 if n == mask else 1)
        target.AddArray(m)


def image(dims, origin, spacing, **kw):
    d = vtk.vtkImageData()
    d.SetDimensions(*dims)
    d.SetOrigin(*origin)
    d.SetSpacing(*spacing)
    double = kw.pop("double", False)
    on_cells = kw.get("on_cells", False)
    pts = []
    n = [dims[0] - 1, dims[1] - 1, max(dims[2] - 1, 1)] if on_cells else list(dims)
    off = 0.5 if on_cells else 0.0
    for k in range(n[2]):
        for j in range(n[1]):
            for i in range(n[0]):
                pts.append((origin[0] + (i + off) * spacing[0], origin[1] + (j + off) * spacing[1],
                            origin[2] + (k + (off if dims[2] > 1 else 0.0)) * spacing[2]))
    fill(d, pts, double, **kw)
    return d


def rectilinear(xs, ys, zs, **kw):
    d = vtk.vtkRectilinearGrid()
    d.SetDimensions(len(xs), len(ys), len(zs))
    double = kw.pop("double", False)
    for setter, c in ((d.SetXCoordinates, xs), (d.SetYCoordinates, ys), (d.SetZCoordinates, zs)):
        setter(array("", 1, [(t,) for t in c], double))
    if kw.get("on_cells"):
        xs, ys = [(a + b) / 2 for a, b in zip(xs, xs[1:])], [(a + b) / 2 for a, b in zip(ys, ys[1:])]
    pts = [(x, y, z) for z in zs for y in ys for x in xs]
    fill(d, pts, double, **kw)
    return d


XS = [0.0, 0.1, 0.3, 0.6, 1.0, 1.5]
YS = [-2.0, -1.5, -0.5, 1.0, 3.0]


def legacy(name, data, binary):
    w = vtk.vtkDataSetWriter()
    w.SetInputData(data)
    w.SetFileName(os.path.join(here, name))
    if binary:
        w.SetFileTypeToBinary()
    w.Write()


legacy("points_ascii.vtk", image((5, 4, 1), (-1.0, 0.5, 0.0), (0.5, 0.25, 1.0)), False)
legacy("points_binary.vtk", image((5, 4, 1), (-1.0, 0.5, 0.0), (0.5, 0.25, 1.0), double=True), True)
legacy("points_field.vtk", image((4, 3, 2), (0.0, 0.0, 0.0), (1.0, 2.0, 0.5), active_vectors=False,
                                    vorticity=True), False)
legacy("rect_ascii.vtk", rectilinear(XS, YS, [0.0], active_vectors=False), False)
legacy("rect_binary.vtk", rectilinear(XS, YS, [0.0], double=True, vorticity=True, mask=7), True)
legacy("rect_binary_named.vtk", rectilinear(XS, YS, [0.0], vector_name="displacement", active_vectors=False),
       True)
legacy("rect_cells.vtk", rectilinear(XS, YS, [0.0], on_cells=True), True)


def xml(name, data, mode, compress, header64, encode=True, block=None, big_endian=False):
    w = vtk.vtkXMLImageDataWriter() if name.endswith(".vti") else vtk.vtkXMLRectilinearGridWriter()
    w.SetInputData(data)
    w.SetFileName(os.path.join(here, name))
    {"ascii": w.SetDataModeToAscii, "binary": w.SetDataModeToBinary, "appended": w.SetDataModeToAppended}[mode]()
    w.SetEncodeAppendedData(encode)
    if compress:
        w.SetCompressorTypeToZLib()
    else:
        w.SetCompressorTypeToNone()
    if header64:
        w.SetHeaderTypeToUInt64()
    else:
        w.SetHeaderTypeToUInt32()
    if block:
        w.SetBlockSize(block)
    if big_endian:
        w.SetByteOrderToBigEndian()
    w.Write()


def img(**kw):
    return image((5, 4, 1), (-1.0, 0.5, 0.0), (0.5, 0.25, 1.0), **kw)


def rect(**kw):
    return rectilinear(XS, YS, [0.0], **kw)


# name, data, mode, zlib, UInt64 header, base64-encoded appended data, block size
for ext, make in ((".vti", img), (".vtr", rect)):
    xml("ascii" + ext, make(), "ascii", False, False)
    xml("binary_u32_f32" + ext, make(), "binary", False, False)
    xml("binary_zlib_u64_f64" + ext, make(double=True, vorticity=True), "binary", True, True, block=96)
    xml("appended_raw_u64_f32" + ext, make(active_vectors=False), "appended", False, True, encode=False)
    xml("appended_raw_zlib_u32_f64" + ext, make(double=True), "appended", True, False, encode=False, block=64)
    xml("appended_b64_u32_f64" + ext, make(double=True, mask=3), "appended", False, False)
    xml("appended_b64_zlib_u64_f32" + ext, make(vorticity=True), "appended", True, True, block=80)
xml("cells_zlib.vtr", rect(on_cells=True), "appended", True, False, encode=False)
xml("volume_zlib.vti", image((4, 3, 2), (0.0, 0.0, 0.0), (1.0, 2.0, 0.5)), "binary", True, False)
xml("big_endian_zlib_u64.vtr", rect(double=True), "appended", True, True, encode=False, block=64, big_endian=True)
