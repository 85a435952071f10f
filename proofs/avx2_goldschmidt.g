# The AVX2 Goldschmidt steps over the whole refined range, x in
# [2^-900, DBL_MAX] (numeric/src/x86/refined_root_avx2; docs/correct-rounding.md,
# "The AVX2 steps", steps 2 to 5, and "The refined range on AVX2"). For every
# double x there and every double y within 0.034366 of 1/sqrt(x), the bound
# avx2_estimate.g proves for the integer estimate, Gappa proves:
# - after each step, the relative errors of g and h below D and their
#   difference below Delta, as tabled: D = 0.0017919, 4.8189e-6, 3.4833e-11
#   and Delta/u = 3.5, 5.7, 7.9 (u = 2^-53); avx2_markstein.g starts from
#   the last D;
# - y and every h lie in [2^-514, 2^451], and every g in [2^-451, 2^513];
# - every r is zero or a multiple of 2^-107 (g h is at least 1/4, and the
#   product of two doubles), and below 2^-4, 2^-9 and 2^-17 in magnitude.
# So no value is subnormal and none overflows.
#
# Notation: X is sqrt(x), and x is written X * X, since Gappa's rewriting
# cannot use sqrt(x) * sqrt(x) = x. Each instruction is one rounding to
# nearest (MXCSR's), a fused multiply-add one rounding of its exact result;
# the kernel's source is compiled with -ffp-contract=off, so no other
# operation is fused.
#
# Refused with an estimate within 0.035: the errors then grow past the table's.
#variant |d0| <= 0.034366 => |d0| <= 0.035
#refuses |eg3| <= 3.4833e-11
#steps numeric/src/x86/refined_root_avx2.hpp: g0 to h3

#@ -Eno-auto-dichotomy

@rn = float<ieee_64, ne>;

x = X * X;
# 1: the estimate y, a double; its error d0 is the hypothesis below.
d0 = y * X - 1;
# 2: g and h from the estimate.
g0 rn= x * y;
h0 rn= y * 0.5;
# 3-5: three Goldschmidt steps.
R1 = 0.5 - g0 * h0;
r1 = rn(R1);
G1 = g0 + g0 * r1;
H1 = h0 + h0 * r1;
g1 = rn(G1);
h1 = rn(H1);
R2 = 0.5 - g1 * h1;
r2 = rn(R2);
G2 = g1 + g1 * r2;
H2 = h1 + h1 * r2;
g2 = rn(G2);
h2 = rn(H2);
R3 = 0.5 - g2 * h2;
r3 = rn(R3);
G3 = g2 + g2 * r3;
H3 = h2 + h2 * r3;
g3 = rn(G3);
h3 = rn(H3);

# Relative errors: g = X (1 + eg), h = (1 + eh) / (2 X).
eg0 = (g0 - X) / X;
eh0 = 2 * h0 * X - 1;
eG1 = (G1 - X) / X;
eH1 = 2 * H1 * X - 1;
eg1 = (g1 - X) / X;
eh1 = 2 * h1 * X - 1;
eG2 = (G2 - X) / X;
eH2 = 2 * H2 * X - 1;
eg2 = (g2 - X) / X;
eh2 = 2 * h2 * X - 1;
eG3 = (G3 - X) / X;
eH3 = 2 * H3 * X - 1;
eg3 = (g3 - X) / X;
eh3 = 2 * h3 * X - 1;

{ @FLT(x, 53) /\ x in [1b-900, 0x1.fffffffffffffp1023] /\ X in [1b-450, 1b512]
  /\ @FLT(y, 53) /\ |d0| <= 0.034366  # glue: avx2 estimate
  -> |eg1| <= 0.0017919 /\ |eh1| <= 0.0017919 /\ (eg1 - eh1) * 1b53 in [-3.5, 3.5]
  /\ |eg2| <= 4.8189e-6 /\ |eh2| <= 4.8189e-6 /\ (eg2 - eh2) * 1b53 in [-5.7, 5.7]
  /\ |eg3| <= 3.4833e-11 /\ |eh3| <= 3.4833e-11  # glue: avx2 goldschmidt
  /\ (eg3 - eh3) * 1b53 in [-7.9, 7.9]
  /\ y in [1b-514, 1b451] /\ h0 in [1b-514, 1b451] /\ h1 in [1b-514, 1b451]
  /\ h2 in [1b-514, 1b451] /\ h3 in [1b-514, 1b451]
  /\ g0 in [1b-451, 1b513] /\ g1 in [1b-451, 1b513] /\ g2 in [1b-451, 1b513]
  /\ g3 in [1b-451, 1b513]
  /\ @FIX(r1, -107) /\ @FIX(r2, -107) /\ @FIX(r3, -107)
  /\ |r1| <= 1b-4 /\ |r2| <= 1b-9 /\ |r3| <= 1b-17 }

# 2: g0 and h0 err by the estimate's error and g0's rounding.
eh0 -> d0 + 2 * (h0 - y * 0.5) * X;
eg0 -> ((g0 - x * y) / (x * y)) * (y * X) + d0 { X <> 0 };
eg0 - eh0 -> ((g0 - x * y) / (x * y)) * (y * X) - 2 * (h0 - y * 0.5) * X { X <> 0 };
# 3-5: each step multiplies g and h by 1 + r, r = -(eg + eh + eg eh) / 2
# before its rounding: the new errors are (eg - eh) / 2 and terms of the
# second order, and their difference is the old one times 1 + r.
R1 -> -(eg0 + eh0 + eg0 * eh0) / 2 { X <> 0 };
eG1 -> (eg0 - eh0) / 2 - (eg0 * eg0 + 2 * eg0 * eh0 + eg0 * eg0 * eh0) / 2 + (r1 - R1) * (1 + eg0) { X <> 0 };
eH1 -> (eh0 - eg0) / 2 - (eh0 * eh0 + 2 * eg0 * eh0 + eg0 * eh0 * eh0) / 2 + (r1 - R1) * (1 + eh0) { X <> 0 };
eg1 -> ((g1 - G1) / G1) * (1 + eG1) + eG1 { X <> 0, G1 <> 0 };
eh1 -> ((h1 - H1) / H1) * (1 + eH1) + eH1 { H1 <> 0 };
eg1 - eh1 -> ((g1 - G1) / G1) * (1 + eG1) - ((h1 - H1) / H1) * (1 + eH1) + (eg0 - eh0) * (1 + r1) { X <> 0, G1 <> 0, H1 <> 0 };
R2 -> -(eg1 + eh1 + eg1 * eh1) / 2 { X <> 0 };
eG2 -> (eg1 - eh1) / 2 - (eg1 * eg1 + 2 * eg1 * eh1 + eg1 * eg1 * eh1) / 2 + (r2 - R2) * (1 + eg1) { X <> 0 };
eH2 -> (eh1 - eg1) / 2 - (eh1 * eh1 + 2 * eg1 * eh1 + eg1 * eh1 * eh1) / 2 + (r2 - R2) * (1 + eh1) { X <> 0 };
eg2 -> ((g2 - G2) / G2) * (1 + eG2) + eG2 { X <> 0, G2 <> 0 };
eh2 -> ((h2 - H2) / H2) * (1 + eH2) + eH2 { H2 <> 0 };
eg2 - eh2 -> ((g2 - G2) / G2) * (1 + eG2) - ((h2 - H2) / H2) * (1 + eH2) + (eg1 - eh1) * (1 + r2) { X <> 0, G2 <> 0, H2 <> 0 };
R3 -> -(eg2 + eh2 + eg2 * eh2) / 2 { X <> 0 };
eG3 -> (eg2 - eh2) / 2 - (eg2 * eg2 + 2 * eg2 * eh2 + eg2 * eg2 * eh2) / 2 + (r3 - R3) * (1 + eg2) { X <> 0 };
eH3 -> (eh2 - eg2) / 2 - (eh2 * eh2 + 2 * eg2 * eh2 + eg2 * eh2 * eh2) / 2 + (r3 - R3) * (1 + eh2) { X <> 0 };
eg3 -> ((g3 - G3) / G3) * (1 + eG3) + eG3 { X <> 0, G3 <> 0 };
eh3 -> ((h3 - H3) / H3) * (1 + eH3) + eH3 { H3 <> 0 };
eg3 - eh3 -> ((g3 - G3) / G3) * (1 + eG3) - ((h3 - H3) / H3) * (1 + eH3) + (eg2 - eh2) * (1 + r3) { X <> 0, G3 <> 0, H3 <> 0 };
