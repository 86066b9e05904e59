# Build settings for the code that is never shipped: the tests with their programs and test
# doubles, and the engine runtime. It is most of the build's compile time, and nothing in it is
# measured for speed (the benchmarks time the shipped libraries, which keep the build type's
# flags), so it is compiled with light optimisation (-O1; at -O0 the objects grow threefold and
# the links take six times as long). At -O1 GCC 12 warns of out-of-bounds copies inside
# std::basic_string's own inlined code where there are none; that warning stays on for the
# shipped code.

set(QV_UNSHIPPED_COMPILE_OPTIONS -O1 -Wno-array-bounds CACHE STRING
    "Compile options of the code that is never shipped (tests, test doubles, engine runtime)")

# qv_unshipped_directory(): every target made in this directory and those below it from here on
# is compiled with QV_UNSHIPPED_COMPILE_OPTIONS (after the build type's own, so they win).
macro(qv_unshipped_directory)
  add_compile_options(${QV_UNSHIPPED_COMPILE_OPTIONS})
endmacro()
