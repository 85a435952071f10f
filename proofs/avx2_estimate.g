# The AVX2 estimate of 1/sqrt(x) from the bits of x errs by less than 0.034366
# (numeric/src/x86/refined_root_avx2; docs/correct-rounding.md, "The AVX2
# steps", step 1).
#
# bits(y) = K - floor(bits(x) / 2). With x = 2^(E - 1023) (1 + M 2^-52),
# K's exponent field 1534 and fraction Kf, and Mh = floor(M / 2), b = M mod 2:
# - E even, Mh <= Kf:  y = 2^(511 - E/2) (1 + (Kf - Mh) 2^-52);
# - E even, Mh > Kf (the subtraction borrows from the exponent field):
#   y = 2^(510 - E/2) (1 + (2^52 + Kf - Mh) 2^-52);
# - E odd (always a borrow, as Kf < 2^51):
#   y = 2^(510 - (E - 1)/2) (1 + (2^51 + Kf - Mh) 2^-52);
# and sqrt(x) = 2^((E - 1023)/2) sqrt(1 + (2 Mh + b) 2^-52). So y sqrt(x)
# depends on Mh and b alone: Fa, Fb and Fc below. Those formulas are read off
# the bit operations on paper; Gappa bounds them for every Mh and b (as reals,
# a superset of the integers).
#
# Refused with the bound 0.0343654 where the subtraction starts to borrow:
# y sqrt(x) reaches 1 - 0.03436545... there, from both sides.
#variant Fb - 1 in [-0.034366, 0.034366] => Fb - 1 in [-0.0343654, 0.0343654]

#@ -Eno-auto-dichotomy
#@ -Eprecision=128

K = 0x5FE6EB50C7B537A9;
Kf = K - 1534b52;

Fa = (1 + (Kf - Ma) * 1b-52) * sqrt((1 + (2 * Ma + ba) * 1b-52) / 2);
Fb = (1 + (1b52 + Kf - Mb) * 1b-52) / 2 * sqrt((1 + (2 * Mb + bb) * 1b-52) / 2);
Fc = (1 + (1b51 + Kf - Mc) * 1b-52) / 2 * sqrt(1 + (2 * Mc + bc) * 1b-52);

{ Ma in [0, 0x6EB50C7B537A9] /\ ba in [0, 1]
  /\ Mb in [0x6EB50C7B537AA, 0x7FFFFFFFFFFFF] /\ bb in [0, 1]
  /\ Mc in [0, 0x7FFFFFFFFFFFF] /\ bc in [0, 1]
  -> Kf - 0x6EB50C7B537A9 in [0, 0]
  /\ Fa - 1 in [-0.034366, 0.034366]  # glue: avx2 estimate
  /\ Fb - 1 in [-0.034366, 0.034366]  # glue: avx2 estimate
  /\ Fc - 1 in [-0.034366, 0.034366]  # glue: avx2 estimate
  }

# Each case bisected on its Mh; with the borrowing case last, a failure there
# ends in a second rather than retrying the others.
Fa - 1 $ Ma;
Fc - 1 $ Mc;
Fb - 1 $ Mb;
