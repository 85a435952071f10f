# The AVX2 Markstein correction and the residuals after it, over the whole
# refined range, x in [2^-900, DBL_MAX] (numeric/src/x86/refined_root_avx2;
# docs/correct-rounding.md, "The AVX2 steps", steps 6 to 8, and "The refined
# range on AVX2"). From g and h within a relative 3.4833e-11 of sqrt(x) and
# 1/(2 sqrt(x)), the bound avx2_goldschmidt.g proves after the third step,
# Gappa proves:
# - step 6: Markstein's correction, before its rounding, within a relative
#   1.83e-21 (below 2^-68.8) of sqrt(x), the bound avx2_choice.g starts from;
# - s, s- and s+ lie in [2^-451, 2^513];
# - d, u- and u+, and the residual x - root^2 that checks for an exact root
#   (for each of s-, s and s+), are zero or multiples of 2^-1006, and below
#   2^998 in magnitude: none is subnormal, none overflows.
#
# Notation as in avx2_goldschmidt.g.
#
# Refused with g and h within 4e-11: the correction then errs by up to 2.4e-21.
#variant |eg| <= 3.4833e-11 /\ |eh| <= 3.4833e-11 => |eg| <= 4e-11 /\ |eh| <= 4e-11
#refuses |(A - X) / X| <= 1.83e-21
#steps numeric/src/x86/refined_root_avx2.hpp: g3 to um, up

#@ -Eno-auto-dichotomy

@rn = float<ieee_64, ne>;
@rd = float<ieee_64, dn>;
@ru = float<ieee_64, up>;

x = X * X;
# g3 and h3, after the third Goldschmidt step: doubles, rounded results.
g3 = rn(G3);
h3 = rn(H3);
eg = (g3 - X) / X;
eh = 2 * h3 * X - 1;
# 6: Markstein's correction, rounded to nearest.
D = x - g3 * g3;
d = rn(D);
A = g3 + h3 * d;
s = rn(A);
es = (s - X) / X;
# 7-8: s- and s+ subtract and add 1 to the bits of s, which gives the doubles
# either side: RD(s (1 - 2^-54)) and RU(s (1 + 2^-54)) for a positive normal s.
sm = rd(s * (1 - 1b-54));
sp = ru(s * (1 + 1b-54));
um = rn(s * sm - x);
up = rn(s * sp - x);
# The residual that tells whether the root is exact, for each candidate.
qm = rn(x - sm * sm);
q = rn(x - s * s);
qp = rn(x - sp * sp);

{ @FLT(x, 53) /\ x in [1b-900, 0x1.fffffffffffffp1023] /\ X in [1b-450, 1b512]
  /\ |eg| <= 3.4833e-11 /\ |eh| <= 3.4833e-11  # glue: avx2 goldschmidt
  -> |(A - X) / X| <= 1.83e-21  # glue: avx2 markstein
  /\ s in [1b-451, 1b513] /\ sm in [1b-451, 1b513] /\ sp in [1b-451, 1b513]
  /\ @FIX(d, -1006) /\ |d| <= 1b998
  /\ @FIX(um, -1006) /\ |um| <= 1b998 /\ @FIX(up, -1006) /\ |up| <= 1b998
  /\ @FIX(qm, -1006) /\ |qm| <= 1b998 /\ @FIX(q, -1006) /\ |q| <= 1b998
  /\ @FIX(qp, -1006) /\ |qp| <= 1b998 }

# The bounds on g and h give their ranges.
g3 -> X * (1 + eg) { X <> 0 };
h3 -> (1 + eh) / (2 * X) { X <> 0 };
# 6: a/sqrt(x) - 1 = -eg^2/2 - (eg + eg^2/2)(eh + e5 + eh e5), where d = D (1 + e5).
(A - X) / X -> -eg * eg / 2 - eh * (eg + eg * eg / 2) + h3 * (d - D) / X { X <> 0 };
h3 * (d - D) / X -> ((d - D) / D) * (h3 * D / X) { X <> 0, D <> 0 };
h3 * D / X -> -(1 + eh) * (eg + eg * eg / 2) { X <> 0 };
D -> -x * eg * (2 + eg) { X <> 0 };
# 7-8 and the residuals of the candidates, from s's distance to sqrt(x).
es -> ((s - A) / A) * (1 + (A - X) / X) + (A - X) / X { X <> 0, A <> 0 };
s - sm -> (s * (1 - 1b-54) - sm) + s * 1b-54;
sp - s -> (sp - s * (1 + 1b-54)) + s * 1b-54;
s * sm - x -> es * X * (s + X) - s * (s - sm) { X <> 0 };
s * sp - x -> es * X * (s + X) + s * (sp - s) { X <> 0 };
x - sm * sm -> ((s - sm) - es * X) * (X + sm) { X <> 0 };
x - s * s -> -es * X * (X + s) { X <> 0 };
x - sp * sp -> (-(sp - s) - es * X) * (X + sp) { X <> 0 };
# A rounding's relative error needs its operand away from zero: a residual d
# that is zero is split off (as a multiple of 2^-1006, it is then exactly 0).
(A - X) / X, s, sm, sp $ D in (-1b-1010, 1b-1010);
