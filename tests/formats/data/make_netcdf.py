#!/usr/bin/python3
# Writes netcdf/*.nc with the netCDF library's Python interface (Debian: python3-netcdf4), one
# file per way PIV programs lay out their netCDF results. Kept as a record of how the files were
# made; the tests read the files and never run this.
#
# Every file holds velocity (x + 2y, 3x - y) on x = 0, 0.5, ... 3.5 mm, y = 0, 0.5, ... 2.5 mm.
import os
import numpy as np
import netCDF4

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "netcdf")
os.makedirs(here, exist_ok=True)

xs = 0.5 * np.arange(8)
ys = 0.5 * np.arange(6)
x, y = np.meshgrid(xs, ys)
u = x + 2 * y
v = 3 * x - y


def coordinates(nc, descending_y=False):
    nc.createDimension("x", len(xs))
    nc.createDimension("y", len(ys))
    cx = nc.createVariable("x", "f4", ("x",))
    cx.units = "mm"
    cx.long_name = "x coordinate"
    cy = nc.createVariable("y", "f4", ("y",))
    cy.units = "mm"
    cy.long_name = "y coordinate"
    cx[:] = xs
    cy[:] = ys[::-1] if descending_y else ys


# PIVview's layout: coordinate variables x and y, the vectors in piv_data with a data_type
# dimension (u, v), rows running down as in the image; one vector rejected (the fill value).
# netCDF-3 classic.
with netCDF4.Dataset(os.path.join(here, "pivview.nc"), "w", format="NETCDF3_CLASSIC") as nc:
    nc.title = "PIV vector field"
    coordinates(nc, descending_y=True)
    nc.createDimension("data_type", 2)
    data = nc.createVariable("piv_data", "f4", ("y", "x", "data_type"), fill_value=np.float32(-999))
    data.units = "m/s"
    data.long_name = "velocity components u, v"
    d = np.stack([u[::-1], v[::-1]], axis=-1).astype(np.float32)
    d[5 - 2, 3, :] = -999  # the node x = 1.5, y = 1.0
    data[:] = d

# OpenPIV's names: x, y, u, v as 2-D arrays, with flags (outliers found by validation) and mask
# (vectors OpenPIV replaced by interpolation, which hold their replacements); one vector NaN.
# netCDF-4 (HDF5).
with netCDF4.Dataset(os.path.join(here, "openpiv.nc"), "w", format="NETCDF4") as nc:
    nc.createDimension("rows", len(ys))
    nc.createDimension("cols", len(xs))
    for name, values, units in (("x", x, "mm"), ("y", y, "mm"), ("u", u, "m/s"), ("v", v, "m/s")):
        var = nc.createVariable(name, "f8", ("rows", "cols"))
        var.units = units
        var[:] = values
    nc["u"][4, 6] = np.nan  # the node x = 3.0, y = 2.0
    flags = nc.createVariable("flags", "i1", ("rows", "cols"))
    mask = nc.createVariable("mask", "i1", ("rows", "cols"))
    f = np.zeros(x.shape, dtype=np.int8)
    f[1, 1] = 1
    flags[:] = f
    mask[:] = f

# The CF conventions: a time series of fields, velocity found by standard_name, the units in
# the attribute, values outside valid_range missing. netCDF-3 with 64-bit offsets.
with netCDF4.Dataset(os.path.join(here, "cf_series.nc"), "w", format="NETCDF3_64BIT_OFFSET") as nc:
    nc.Conventions = "CF-1.8"
    nc.createDimension("time", None)
    coordinates(nc)
    t = nc.createVariable("time", "f8", ("time",))
    t.units = "s"
    names = (("U", "x_velocity", u), ("V", "y_velocity", v))
    for name, standard, values in names:
        var = nc.createVariable(name + "_field", "f4", ("time", "y", "x"))
        var.standard_name = standard
        var.units = "m s-1"
        var.valid_range = np.array([-100, 100], dtype=np.float32)
        for frame in range(3):
            var[frame] = values + (frame if name == "U" else 0)
    nc[names[0][0] + "_field"][0, 0, 7] = 1e4  # the node x = 3.5, y = 0 lies outside valid_range
    t[:] = [0.0, 0.1, 0.2]
