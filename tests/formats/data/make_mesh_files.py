#!/usr/bin/python3
# Writes the meshes in mesh/ with VTK's own writers (Debian: python3-vtk9), so that the readers
# of grids that are no rectilinear lattice are tested on files exactly as VTK writes them. Kept
# as a record of how the files were made; the tests read the files and never run this.
#
# Every point carries velocity = (x + 2y, 3x - y, 0) and p = x - 3y + 2, fields linear in x and
# y, which sampling a triangle mesh reproduces exactly.
import math
import os
import vtk

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "mesh")
os.makedirs(here, exist_ok=True)


def fields(data, target, coords):
    vel = vtk.vtkFloatArray()
    vel.SetName("velocity")
    vel.SetNumberOfComponents(3)
    p = vtk.vtkFloatArray()
    p.SetName("p")
    for (x, y, z) in coords:
        vel.InsertNextTuple((x + 2 * y, 3 * x - y, 0.0))
        p.InsertNextTuple((x - 3 * y + 2,))
    target.AddArray(vel)
    target.AddArray(p)
    target.SetActiveVectors("velocity")


def annulus_points(nr, nt, z=0.0):
    pts = vtk.vtkPoints()
    pts.SetDataTypeToDouble()
    coords = []
    for j in range(nr):
        r = 0.5 + j / (nr - 1)
        for i in range(nt):
            t = 2 * math.pi * i / nt
            c = (r * math.cos(t), r * math.sin(t), z)
            pts.InsertNextPoint(c)
            coords.append(c)
    return pts, coords


def annulus(nr=6, nt=32):
    """A triangulated annulus 0.5 <= r <= 1.5 about the origin."""
    pts, coords = annulus_points(nr, nt)
    grid = vtk.vtkUnstructuredGrid()
    grid.SetPoints(pts)
    for j in range(nr - 1):
        for i in range(nt):
            a, b = j * nt + i, j * nt + (i + 1) % nt
            c, d = a + nt, b + nt
            for tri in ((a, b, d), (a, d, c)):
                ids = vtk.vtkIdList()
                for t in tri:
                    ids.InsertNextId(t)
                grid.InsertNextCell(vtk.VTK_TRIANGLE, ids)
    fields(grid, grid.GetPointData(), coords)
    return grid


def warped(ni, nj, nk, dz=0.1):
    """A structured grid over [0, 2] x [0, 1], its lines bent, NK planes DZ apart."""
    sg = vtk.vtkStructuredGrid()
    sg.SetDimensions(ni, nj, nk)
    pts = vtk.vtkPoints()
    coords = []
    for k in range(nk):
        for j in range(nj):
            for i in range(ni):
                s, t = i / (ni - 1), j / (nj - 1)
                c = (2 * s + 0.15 * math.sin(math.pi * t) * s * (1 - s) * 4, t + 0.1 * math.sin(math.pi * s), k * dz)
                pts.InsertNextPoint(c)
                coords.append(c)
    sg.SetPoints(pts)
    fields(sg, sg.GetPointData(), coords)
    return sg


def regular(ni, nj):
    """A rectilinear lattice stored point by point, as PIVlab writes its VTK, y running down."""
    sg = vtk.vtkStructuredGrid()
    sg.SetDimensions(ni, nj, 1)
    pts = vtk.vtkPoints()
    coords = []
    for j in range(nj):
        for i in range(ni):
            c = (0.25 + 0.5 * i, 3.0 - 0.25 * j, 0.0)
            pts.InsertNextPoint(c)
            coords.append(c)
    sg.SetPoints(pts)
    fields(sg, sg.GetPointData(), coords)
    return sg


def to_unstructured(data):
    f = vtk.vtkAppendFilter()
    f.AddInputData(data)
    f.Update()
    return f.GetOutput()


def slice_polydata():
    """Quads and triangles of a plane at z = 0.25, as a slice through a 3-D case."""
    sg = warped(9, 6, 1)
    geo = vtk.vtkGeometryFilter()
    geo.SetInputData(sg)
    geo.Update()
    poly = geo.GetOutput()
    pts = poly.GetPoints()
    for n in range(pts.GetNumberOfPoints()):
        x, y, z = pts.GetPoint(n)
        pts.SetPoint(n, x, y, 0.25)
    tri = vtk.vtkTriangleFilter()
    tri.SetInputData(poly)
    tri.Update()
    # Half the cells stay quads.
    out = vtk.vtkPolyData()
    out.SetPoints(pts)
    polys = vtk.vtkCellArray()
    for c in range(poly.GetNumberOfCells()):
        cell = poly.GetCell(c)
        ids = [cell.GetPointId(k) for k in range(cell.GetNumberOfPoints())]
        if c % 2:
            polys.InsertNextCell(len(ids), ids)
        else:
            polys.InsertNextCell(3, ids[:3])
            polys.InsertNextCell(3, [ids[0], ids[2], ids[3]])
    out.SetPolys(polys)
    out.GetPointData().ShallowCopy(poly.GetPointData())
    return out


def cell_velocity(grid):
    """The same grid with a uniform velocity (1, -2, 0) on its cells and no point data."""
    out = grid.NewInstance()
    out.DeepCopy(grid)
    out.GetPointData().Initialize()
    vel = vtk.vtkDoubleArray()
    vel.SetName("U")
    vel.SetNumberOfComponents(3)
    for c in range(out.GetNumberOfCells()):
        vel.InsertNextTuple((1.0, -2.0, 0.0))
    out.GetCellData().AddArray(vel)
    return out


def solid():
    """Tetrahedra filling a cube: a truly three-dimensional mesh."""
    pts = vtk.vtkPoints()
    for z in (0, 0.5, 1):
        for y in (0, 1):
            for x in (0, 1):
                pts.InsertNextPoint(x, y, z)
    d = vtk.vtkDelaunay3D()
    pd = vtk.vtkPolyData()
    pd.SetPoints(pts)
    d.SetInputData(pd)
    d.Update()
    g = d.GetOutput()
    fields(g, g.GetPointData(), [g.GetPoint(n) for n in range(g.GetNumberOfPoints())])
    return g


def xml(writer_class, data, name, mode="appended", compress=True, encode=True):
    w = writer_class()
    w.SetFileName(os.path.join(here, name))
    w.SetInputData(data)
    if mode == "ascii":
        w.SetDataModeToAscii()
    elif mode == "binary":
        w.SetDataModeToBinary()
    else:
        w.SetDataModeToAppended()
        w.SetEncodeAppendedData(1 if encode else 0)
    if compress:
        w.SetCompressorTypeToZLib()
    else:
        w.SetCompressorTypeToNone()
    w.Write()


def legacy(data, name, binary):
    w = vtk.vtkDataSetWriter()
    w.SetFileName(os.path.join(here, name))
    w.SetInputData(data)
    if binary:
        w.SetFileTypeToBinary()
    else:
        w.SetFileTypeToASCII()
    w.Write()


def legacy42(grid, name):
    """An unstructured grid in the legacy layout before 5.1 ("CELLS n size", each cell's point
    count before its ids), which the writers of most CFD codes still use; this VTK writes 5.1 only."""
    with open(os.path.join(here, name), "w") as f:
        f.write("# vtk DataFile Version 4.2\nvtk output\nASCII\nDATASET UNSTRUCTURED_GRID\n")
        n = grid.GetNumberOfPoints()
        f.write("POINTS %d double\n" % n)
        for k in range(n):
            f.write("%.17g %.17g %.17g\n" % grid.GetPoint(k))
        cells = grid.GetNumberOfCells()
        size = sum(grid.GetCell(c).GetNumberOfPoints() + 1 for c in range(cells))
        f.write("CELLS %d %d\n" % (cells, size))
        for c in range(cells):
            ids = [grid.GetCell(c).GetPointId(k) for k in range(grid.GetCell(c).GetNumberOfPoints())]
            f.write(" ".join(str(v) for v in [len(ids)] + ids) + "\n")
        f.write("CELL_TYPES %d\n" % cells)
        for c in range(cells):
            f.write("%d\n" % grid.GetCellType(c))
        f.write("POINT_DATA %d\nVECTORS velocity float\n" % n)
        vel = grid.GetPointData().GetArray("velocity")
        for k in range(n):
            f.write("%.9g %.9g %.9g\n" % vel.GetTuple3(k))
        f.write("SCALARS p float 1\nLOOKUP_TABLE default\n")
        pa = grid.GetPointData().GetArray("p")
        for k in range(n):
            f.write("%.9g\n" % pa.GetTuple1(k))


ring = annulus()
xml(vtk.vtkXMLUnstructuredGridWriter, ring, "annulus.vtu", mode="appended", compress=True, encode=False)
xml(vtk.vtkXMLUnstructuredGridWriter, ring, "annulus_ascii.vtu", mode="ascii", compress=False)
xml(vtk.vtkXMLUnstructuredGridWriter, ring, "annulus_b64.vtu", mode="binary", compress=True)
legacy(ring, "annulus.vtk", binary=False)
legacy(ring, "annulus_binary.vtk", binary=True)
legacy42(ring, "annulus_v42.vtk")

thick = to_unstructured(warped(7, 5, 2))
xml(vtk.vtkXMLUnstructuredGridWriter, thick, "thick_hex.vtu", mode="binary", compress=False)
xml(vtk.vtkXMLUnstructuredGridWriter, cell_velocity(thick), "thick_hex_cells.vtu", mode="ascii", compress=False)

xml(vtk.vtkXMLStructuredGridWriter, warped(9, 6, 1), "warped.vts", mode="appended", compress=True)
legacy(warped(9, 6, 1), "warped.vtk", binary=True)
xml(vtk.vtkXMLStructuredGridWriter, regular(6, 4), "lattice.vts", mode="ascii", compress=False)
legacy(regular(6, 4), "lattice_structured.vtk", binary=False)

sl = slice_polydata()
xml(vtk.vtkXMLPolyDataWriter, sl, "slice.vtp", mode="appended", compress=False, encode=True)
legacy(sl, "slice_polydata.vtk", binary=False)

xml(vtk.vtkXMLUnstructuredGridWriter, solid(), "solid.vtu", mode="ascii", compress=False)
