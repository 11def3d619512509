/// \file
/// Drawing helpers of the 3D library, in immediate-mode OpenGL.
#pragma once

#include <kiln/dvector3.h>

/// A sphere of triangle strips (|segments| steps around, half as many bands),
/// normals and texture coordinates included; a single point for fewer than
/// 4 segments or no radius.
void d3DrawSphere(float x, float y, float z, float radius, int segments);
/// The same strips with a radius per axis; returns segments / 2.
int d3DrawEllipsoid(const DVector3 &centre, const DVector3 &radii, int segments);
/// The point turned by `angle` radians about the line through a and b; the
/// point itself when a and b lie closer than 0.00001.
void d3RotateAroundAxis(const DVector3 &point, float angle, const DVector3 &a, const DVector3 &b, DVector3 *result);
/// Fades the application's canvas to black over about `milliseconds` (in
/// steps of 20 ms); nothing without one.
void d3Fade(int milliseconds);
