# The AVX2 exact choice gives the correctly rounded root: for every double x
# in [1, 4) and every a within a relative 1.83e-21 of sqrt(x) (the bound
# avx2_markstein.g proves for Markstein's correction before its rounding),
# the kernel's choice among s-, s and s+, s = RN(a), is RN(sqrt(x))
# (numeric/src/x86/refined_root_avx2; docs/correct-rounding.md, "The AVX2
# steps", "Why s is c-, c or c+" and "The exact choice among three"). Every
# other pair of binades scales exactly to [1, 4).
#
# The kernel takes s+ where the sign bit of u+ is set, else s- where that of
# u- is clear, else s. Rounding to nearest keeps a residual's sign, and an
# exact zero comes out as +0.0, so "sign bit set" is u < 0 below.
#
# Notation as in avx2_goldschmidt.g. The midpoint m+ of s and s+ satisfies
# x - s s+ = X^2 - m+^2 + (s+ - s)^2 / 4, and x - s s+ is a multiple of
# (s+ - s)^2; likewise for m- and s-.
#
# Refused with a within 6e-17 of sqrt(x), beyond the half gap 2^-54 that
# keeps s next to the root.
#variant |(A - X) / X| <= 1.83e-21 => |(A - X) / X| <= 6e-17
#refuses s - c in [0, 0]
#steps numeric/src/x86/refined_root_avx2.hpp: s to um, up

#@ -Echange-threshold=0
#@ -Eno-auto-dichotomy

@rn = float<ieee_64, ne>;
@rd = float<ieee_64, dn>;
@ru = float<ieee_64, up>;

x = X * X;
# 6: s, Markstein's correction A rounded to nearest.
s = rn(A);
# 7: s- and s+, the bits of s less and plus 1: the doubles either side.
sm = rd(s * (1 - 1b-54));
sp = ru(s * (1 + 1b-54));
# 8: the residuals u- and u+.
Tm = x - s * sm;
Tp = x - s * sp;
um = rn(s * sm - x);
up = rn(s * sp - x);
# The correctly rounded root, and the midpoints either side of s.
c = rn(X);
mm = (sm + s) / 2;
mp = (s + sp) / 2;

{ @FLT(x, 53) /\ x in [1, 0x1.fffffffffffffp1] /\ X in [1, 0x1.fffffffffffff8p0]
  /\ |(A - X) / X| <= 1.83e-21  # glue: avx2 markstein
  -> (not up >= 0 -> sp - c in [0, 0])
  /\ (up >= 0 /\ not um >= 0 -> s - c in [0, 0])
  /\ (up >= 0 /\ um >= 0 -> sm - c in [0, 0]) }

s * sm - x -> -Tm;
s * sp - x -> -Tp;
Tm -> Tp + s * (sp - sm);
sp - s -> (sp - s * (1 + 1b-54)) + s * 1b-54;
s - sm -> (s * (1 - 1b-54) - sm) + s * 1b-54;
mp - s -> (sp - s) / 2;
s - mm -> (s - sm) / 2;
# The root lies above m+ exactly when x - s s+ > 0, and below m- exactly when
# x - s s- <= 0 (where x = s s-, it lies below, as a geometric mean).
X - mp -> (Tp - (sp - s) * (sp - s) / 4) / (X + mp) { X + mp <> 0 };
X - mm -> (Tm - (s - sm) * (s - sm) / 4) / (X + mm) { X + mm <> 0 };
# And a is close enough for s to be next to the root.
X - mp -> (X - A) + (A - s) - (mp - s);
X - mm -> (X - A) + (A - s) + (s - mm);
sp - c -> (sp - s) - (X - mp) - (mp - s) - (c - X);
s - c -> -(X - mp) - (mp - s) - (c - X);
sm - c -> -(s - sm) - (X - mp) - (mp - s) - (c - X);
# s = 2 (x just below 4) has twice the spacing above; the residuals are
# multiples of 2^-104 (x - s s-: 2^-105 at s = 1), so the middle pieces are 0.
$ s in (0x1.fffffffffffff8p0), Tp in (-1b-106, 1b-106), Tm in (-1b-106, 1b-106);
