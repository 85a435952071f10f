# The AVX-512F steps give the correctly rounded root: for every double x in
# the refined range and every estimate y within 2^-14 of 1/sqrt(x), the
# result is RN(sqrt(x)), and adding 2^-1022 to it, rounded to nearest, leaves
# it as it is (numeric/src/x86/refined_root_avx512f; docs/correct-rounding.md,
# "The AVX-512F steps", steps 1 to 8, "Why rounding a down gives c or c-",
# "The exact choice" and "Flags").
#
# x = 4^k x', with x' in [1, 4) and k from -450 to 511, scales y by 2^-k and
# every value of steps 2 to 7 by a power of two, exactly, as no value is
# subnormal and none overflows (avx512f_steps.g): s and the root by 2^k, t by
# 4^k. So step 8 gives 2^k RU(s' + 2^(k - 1022) t'), and the addition
# 2^k RN(root' + 2^(-1022 - k)). This script states x' and the steps on it:
# the constant 2^-1022 is a variable over every k, once scaled up (for t)
# and once down (for the root).
#scaled tiny_for_t = 1b-1022 * 2^k
#scaled tiny_for_root = 1b-1022 / 2^k
#
# Notation as in avx512f_steps.g: X is sqrt(x), x is X * X, each instruction
# one rounding. The midpoint m of s and s+ satisfies
# x - s s+ = X^2 - m^2 + (s+ - s)^2 / 4, and x - s s+ is a multiple of
# (s+ - s)^2, so its sign says on which side of m the root lies.
#
# Refused with an estimate within 2^-13.9: the steps' margin ends between
# 2^-13.94, which still passes, and 2^-13.935.
#variant |d0| <= 1b-14 => |d0| <= 6.5416e-05
#refuses root - c in [0, 0]
#steps numeric/src/x86/refined_root_avx512f.hpp: g0 to root, raised

#@ -Echange-threshold=0
#@ -Eprecision=1700
#@ -Eno-auto-dichotomy

@rn = float<ieee_64, ne>;
@rd = float<ieee_64, dn>;
@ru = float<ieee_64, up>;

x = X * X;
# 1: y = vrsqrt14pd(x), a double; its error d0 is the hypothesis below.
d0 = y * X - 1;
# 2-4: one Goldschmidt step.
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
# 7-8: the exact choice; s+, the bits of s plus 1, is the next double up.
sp = ru(s * (1 + 1b-54));
T = x - s * sp;
t = rn(T);
root = ru(s + t * tiny_for_t);
# The addition that raises inexact.
raised = rn(root + tiny_for_root);
# The correctly rounded root, and the midpoint between s and s+.
c = rn(X);
m = (s + sp) / 2;

eg0 = (g0 - X) / X;
eh0 = 2 * h0 * X - 1;
eG = (G - X) / X;
eH = 2 * H * X - 1;
eg = (g - X) / X;
eh = 2 * h * X - 1;

{ @FLT(x, 53) /\ x in [1, 0x1.fffffffffffffp1] /\ X in [1, 0x1.fffffffffffff8p0]
  /\ @FLT(y, 53) /\ |d0| <= 1b-14
  /\ tiny_for_t in [1b-1472, 1b-511] /\ tiny_for_root in [1b-1533, 1b-572]
  -> root - c in [0, 0] /\ raised - root in [0, 0] }

# 2-6, as in avx512f_steps.g.
eh0 -> d0 + 2 * (h0 - y * 0.5) * X;
eg0 -> ((g0 - x * y) / (x * y)) * (y * X) + d0 { X <> 0 };
eg0 - eh0 -> ((g0 - x * y) / (x * y)) * (y * X) - 2 * (h0 - y * 0.5) * X { X <> 0 };
R -> -(eg0 + eh0 + eg0 * eh0) / 2 { X <> 0 };
eG -> (eg0 - eh0) / 2 - (eg0 * eg0 + 2 * eg0 * eh0 + eg0 * eg0 * eh0) / 2 + (r - R) * (1 + eg0) { X <> 0 };
eH -> (eh0 - eg0) / 2 - (eh0 * eh0 + 2 * eg0 * eh0 + eg0 * eh0 * eh0) / 2 + (r - R) * (1 + eh0) { X <> 0 };
eg -> ((g - G) / G) * (1 + eG) + eG { X <> 0, G <> 0 };
eh -> ((h - H) / H) * (1 + eH) + eH { H <> 0 };
(A - X) / X -> -eg * eg / 2 - eh * (eg + eg * eg / 2) + h * (d - D) / X { X <> 0 };
# 7-8: the root lies above m exactly when x - s s+ > 0, and then the result
# is s+; otherwise it is s. Both are within half an ulp of the root.
sp - s -> (sp - s * (1 + 1b-54)) + s * 1b-54;
m - s -> (sp - s) / 2;
X - m -> (T - (sp - s) * (sp - s) / 4) / (X + m) { X + m <> 0 };
X - m -> (X - A) + (A - s) - (m - s);
root - c -> (root - s) - (X - m) - (m - s) - (c - X);
root - s -> (root - (s + t * tiny_for_t)) + t * tiny_for_t;
# Unchecked: s + t * tiny_for_t -> s { t >= 0, t <= 0 };
# Where x = s s+, t is 0 and the fused multiply-add's exact result is s
# itself; Gappa's rules for multiples skip an exact 0, so this says so, and
# Gappa warns that the two sides differ (by t tiny_for_t, which is then 0).
# proofs/check allows exactly this warning, for this script only.
s + t * tiny_for_t -> s { t >= 0, t <= 0 };
# The root is a double in [1, 2], and the constant far below half its ulp.
raised - root -> (raised - (root + tiny_for_root)) + tiny_for_root;
# s below 1 (x = 1 only) has half the spacing; the residual is a multiple of
# 2^-104 (2^-105 below 1), so the middle piece is x - s s+ = 0.
$ s in (0x1.fffffffffffff8p-1), T in (-1b-106, 1b-106);
