# The AVX-512F steps over the whole refined range, x in [2^-900, DBL_MAX]
# (numeric/src/x86/refined_root_avx512f; docs/correct-rounding.md, "The
# AVX-512F steps", steps 1 to 8, and "The refined range"). For every double x
# there and every estimate y within 2^-14 of 1/sqrt(x), Gappa proves:
# - steps 2-4: g and h, the Goldschmidt step's results, within a relative
#   D = 2^-27.415 of sqrt(x) and 1/(2 sqrt(x));
# - steps 5-6: Markstein's correction, before its rounding, within a relative
#   2^-54.245 of sqrt(x);
# - y, h0 and h lie in [2^-514, 2^451], and g0, g, s, s+ and the result in
#   [2^-451, 2^513];
# - r is zero or a multiple of 2^-107;
# - d, t and the residual x - root^2 that checks for an exact root are zero or
#   multiples of 2^-1006, and below 2^998 in magnitude.
# So no value is subnormal and none overflows. That the result is the
# correctly rounded root, avx512f_end_to_end.g proves.
#
# Notation: X is sqrt(x), and x is written X * X, since Gappa's rewriting
# cannot use sqrt(x) * sqrt(x) = x. Each instruction is one rounding, as its
# embedded rounding says: rn to nearest, rd downwards, ru upwards; a fused
# multiply-add rounds its exact result once. The only assumption about the
# hardware is the estimate's error bound.
#
# Refused with an estimate within 2^-13.9: the errors then pass D and
# 2^-54.245. (With x from 2^-902 it is refused too, as d and t are then only
# multiples of 2^-1008, but only after a minute and a half.)
#variant |d0| <= 1b-14 => |d0| <= 6.5416e-05
#refuses |(A - X) / X| <= 4.68411e-17
#steps numeric/src/x86/refined_root_avx512f.hpp: g0 to q

#@ -Eno-auto-dichotomy

@rn = float<ieee_64, ne>;
@rd = float<ieee_64, dn>;
@ru = float<ieee_64, up>;

x = X * X;
# 1: y = vrsqrt14pd(x), a double; its error d0 is the hypothesis below.
d0 = y * X - 1;
# 2-4: one Goldschmidt step. Halving y is exact, but rounded as the
# instruction does it all the same.
g0 rn= x * y;
h0 rn= y * 0.5;
R = 0.5 - g0 * h0;
r = rn(R);
G = g0 + g0 * r;
H = h0 + h0 * r;
g = rn(G);
h = rn(H);
# 5-6: Markstein's correction, rounded downwards.
D = x - g * g;
d = rn(D);
A = g + h * d;
s = rd(A);
# 7-8: the exact choice. s+ adds 1 to the bits of s, which gives the next
# double up: for a positive normal s that is RU(s (1 + 2^-54)).
sp = ru(s * (1 + 1b-54));
T = x - s * sp;
t = rn(T);
U = s + t * 1b-1022;
root = ru(U);
# The residual that tells whether the root is exact.
Q = x - root * root;
q = rn(Q);

# Relative errors: g = X (1 + eg), h = (1 + eh) / (2 X), and so on.
eg0 = (g0 - X) / X;
eh0 = 2 * h0 * X - 1;
eG = (G - X) / X;
eH = 2 * H * X - 1;
eg = (g - X) / X;
eh = 2 * h * X - 1;
es = (s - X) / X;
esp = (sp - s) / s;
eroot = (root - X) / X;

{ @FLT(x, 53) /\ x in [1b-900, 0x1.fffffffffffffp1023] /\ X in [1b-450, 1b512]
  /\ @FLT(y, 53) /\ |d0| <= 1b-14
  -> |eg| <= 5.58808e-9 /\ |eh| <= 5.58808e-9 /\ |(A - X) / X| <= 4.68411e-17
  /\ y in [1b-514, 1b451] /\ h0 in [1b-514, 1b451] /\ h in [1b-514, 1b451]
  /\ g0 in [1b-451, 1b513] /\ g in [1b-451, 1b513] /\ s in [1b-451, 1b513]
  /\ sp in [1b-451, 1b513] /\ root in [1b-451, 1b513]
  /\ @FIX(r, -107) /\ |r| <= 1b-13
  /\ @FIX(d, -1006) /\ |d| <= 1b998 /\ @FIX(t, -1006) /\ |t| <= 1b998
  /\ @FIX(q, -1006) /\ |q| <= 1b998 }

# 2-4: g0 and h0 err by the estimate's error and g0's rounding; the step
# multiplies both by 1 + r, and r nearly cancels the estimate's error.
eh0 -> d0 + 2 * (h0 - y * 0.5) * X;
eg0 -> ((g0 - x * y) / (x * y)) * (y * X) + d0 { X <> 0 };
eg0 - eh0 -> ((g0 - x * y) / (x * y)) * (y * X) - 2 * (h0 - y * 0.5) * X { X <> 0 };
R -> -(eg0 + eh0 + eg0 * eh0) / 2 { X <> 0 };
eG -> (eg0 - eh0) / 2 - (eg0 * eg0 + 2 * eg0 * eh0 + eg0 * eg0 * eh0) / 2 + (r - R) * (1 + eg0) { X <> 0 };
eH -> (eh0 - eg0) / 2 - (eh0 * eh0 + 2 * eg0 * eh0 + eg0 * eh0 * eh0) / 2 + (r - R) * (1 + eh0) { X <> 0 };
eg -> ((g - G) / G) * (1 + eG) + eG { X <> 0, G <> 0 };
eh -> ((h - H) / H) * (1 + eH) + eH { H <> 0 };
# 5-6: a/sqrt(x) - 1 = -eg^2/2 - (eg + eg^2/2)(eh + e5 + eh e5), where d = D (1 + e5).
(A - X) / X -> -eg * eg / 2 - eh * (eg + eg * eg / 2) + h * (d - D) / X { X <> 0 };
h * (d - D) / X -> ((d - D) / D) * (h * D / X) { X <> 0, D <> 0 };
h * D / X -> -(1 + eh) * (eg + eg * eg / 2) { X <> 0 };
# 7-8 and the residual of the root, relative to x.
es -> ((s - A) / A) * (1 + (A - X) / X) + (A - X) / X { X <> 0, A <> 0 };
esp -> ((sp - s * (1 + 1b-54)) / (s * (1 + 1b-54))) * (1 + 1b-54) + 1b-54 { s <> 0 };
T / x -> -es * (2 + es) - (1 + es) * (1 + es) * esp { X <> 0, s <> 0 };
t / x -> (1 + (t - T) / T) * (T / x) { X <> 0, T <> 0 };
eroot -> ((root - U) / U) * (1 + es + 1b-1022 * (t / x) * X) + es + 1b-1022 * (t / x) * X { X <> 0, U <> 0 };
Q -> -x * eroot * (2 + eroot) { X <> 0 };
# A rounding's relative error needs its operand away from zero: a residual
# that is zero is split off (as a multiple of 2^-1006, it is then exactly 0).
(A - X) / X, s, d $ D in (-1b-1010, 1b-1010);
t, root, q $ T in (-1b-1010, 1b-1010);
