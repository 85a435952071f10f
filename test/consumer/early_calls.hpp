#ifndef VEMO_NUMERIC_CONSUMER_EARLY_CALLS_HPP
#define VEMO_NUMERIC_CONSUMER_EARLY_CALLS_HPP

// Calls array_kernel(), array_profile(), sq_n and sqrt_n, short and long, and
// prints the first and last result of each; returns how many results differ
// in their bits from the scalar functions'.
extern "C" int check_array_calls(const char* when);

// What the static constructor's calls returned, or -1 if it has not run.
extern "C" int array_calls_before_main();

#endif  // VEMO_NUMERIC_CONSUMER_EARLY_CALLS_HPP
