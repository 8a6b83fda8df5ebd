#pragma once
// Angle helpers, degrees unless said: reduction to a circle, guarded inverse trigonometry,
// distances and order on the circle, the zodiac sign of a longitude.
#include "astro/moment.h"

namespace sd::astro {

// x reduced into [0, n) for either sign; whole multiples of n give 0.
double NormalizeMod(double x, int n);
double SinDeg(double deg);
double CosDeg(double deg);
// Radians. +1 gives +pi/2 and -1 gives -pi/2 exactly.
double ArcSinGuarded(double x);
// Radians. 0 gives pi/2.
double ArcCosGuarded(double x);
// Angle of the vector (x, y) in radians, in [0, 2 pi).
double FullCircleAtan(double x, double y);
// Distance 0..180 of a difference of two longitudes.
double AngularDistance(double x);
// True when b lies at most 180 degrees forward of a.
bool IsForwardWithin180(double a, double b);
// True when b lies on the shorter arc between a and d.
bool IsBetween(double a, double b, double d);
// Sign 1..12 of a tropical longitude.
int SignOf(double lon);

}  // namespace sd::astro
