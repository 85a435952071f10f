# The AVX2 estimate of 1/sqrt(x) from the bits of x errs by less than 0.034366
# (numeric/src/x86/refined_root_avx2; docs/correct-rounding.md, "The AVX2
# steps", step 1), stated from its bit operations for every double x in
# [1, 4): bits(y) = K - (bits(x) >> 1).
#
# bits(x) = E 2^52 + M, with E the exponent field (1023 on [1, 2), 1024 on
# [2, 4)) and M = 2 Mh + b the fraction's bits, b the lowest; x is
# 2^(E - 1023) (1 + M 2^-52). The shift drops b: bits(x) >> 1 is
# (bits(x) - b) / 2. A double whose bits lie in [e 2^52, (e + 1) 2^52) is
# 2^(e - 1023) (1 + (bits - e 2^52) 2^-52); Gappa proves in which such
# binade the bits of y lie, case by case: on [2, 4), e = 1022 where Mh <= Kf,
# K's fraction, and e = 1021 beyond, where the subtraction borrows from the
# exponent field; on [1, 2), e = 1022. Gappa bounds y sqrt(x) for every Mh
# and b (as reals, a superset of the integers).
#
# x = 4^k x' adds k 2^53 to bits(x) and subtracts k 2^52 from bits(y), so
# y = 2^-k y', as long as y's exponent field stays in [1, 2046]: from 510 to
# 1472 over the refined range. So y sqrt(x) = y' sqrt(x'), and [1, 4) covers
# every double of the refined range.
#
# Refused with the bound 0.0343654 where the subtraction starts to borrow:
# y sqrt(x) reaches 1 - 0.03436545... there, from both sides.
#variant Fb - 1 in [-0.034366, 0.034366] => Fb - 1 in [-0.0343654, 0.0343654]
#refuses Fb - 1 in [-0.0343654, 0.0343654]
#steps numeric/src/x86/refined_root_avx2.hpp: y

#@ -Eno-auto-dichotomy
#@ -Eprecision=128

K = 0x5FE6EB50C7B537A9;
Kf = K - 1534b52;

# a: x in [2, 4), Mh <= Kf.
bxa = 1024b52 + 2 * Ma + ba;
xa = 1b1 * (1 + (bxa - 1024b52) * 1b-52);
bya = K - (bxa - ba) / 2;
ya = 1b-1 * (1 + (bya - 1022b52) * 1b-52);
Fa = ya * sqrt(xa);
# b: x in [2, 4), Mh > Kf.
bxb = 1024b52 + 2 * Mb + bb;
xb = 1b1 * (1 + (bxb - 1024b52) * 1b-52);
byb = K - (bxb - bb) / 2;
yb = 1b-2 * (1 + (byb - 1021b52) * 1b-52);
Fb = yb * sqrt(xb);
# c: x in [1, 2).
bxc = 1023b52 + 2 * Mc + bc;
xc = 1 + (bxc - 1023b52) * 1b-52;
byc = K - (bxc - bc) / 2;
yc = 1b-1 * (1 + (byc - 1022b52) * 1b-52);
Fc = yc * sqrt(xc);

{ Ma in [0, 0x6EB50C7B537A9] /\ ba in [0, 1]
  /\ Mb in [0x6EB50C7B537AA, 0x7FFFFFFFFFFFF] /\ bb in [0, 1]
  /\ Mc in [0, 0x7FFFFFFFFFFFF] /\ bc in [0, 1]
  -> Kf - 0x6EB50C7B537A9 in [0, 0]
  /\ bya - 1022b52 in [0, 0xFFFFFFFFFFFFF]
  /\ byb - 1021b52 in [0, 0xFFFFFFFFFFFFF]
  /\ byc - 1022b52 in [0, 0xFFFFFFFFFFFFF]
  /\ Fa - 1 in [-0.034366, 0.034366]  # glue: avx2 estimate
  /\ Fb - 1 in [-0.034366, 0.034366]  # glue: avx2 estimate
  /\ Fc - 1 in [-0.034366, 0.034366]  # glue: avx2 estimate
  }

# The shift's dropped bit, taken out exactly.
bxa - ba -> 1024b52 + 2 * Ma;
bxb - bb -> 1024b52 + 2 * Mb;
bxc - bc -> 1023b52 + 2 * Mc;
# Each case bisected on its Mh; with the borrowing case last, a failure there
# ends in a second rather than retrying the others.
Fa - 1 $ Ma;
Fc - 1 $ Mc;
Fb - 1 $ Mb;
