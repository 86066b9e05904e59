# Build settings for the code that is never shipped: the tests with their programs and test
# doubles, and the engine runtime. It is most of the build's compile time, and nothing in it is
# measured for speed (the benchmarks time the shipped libraries, which keep the build type's
# flags), so it is compiled with light optimisation (-O1; at -O0 the objects grow threefold and
# the links take six times as long), and its files parse the system and library headers they all
# include once, from a precompiled header.

set(QV_UNSHIPPED_COMPILE_OPTIONS -O1 CACHE STRING
    "Compile options of the code that is never shipped (tests, test doubles, engine runtime)")

# qv_unshipped_directory(): every target made in this directory and those below it from here on
# is compiled with QV_UNSHIPPED_COMPILE_OPTIONS (after the build type's own, so they win).
macro(qv_unshipped_directory)
  add_compile_options(${QV_UNSHIPPED_COMPILE_OPTIONS})
endmacro()

# qv_precompile(TARGET HEADER...): TARGET's C++ files are compiled with HEADER... precompiled
# (include them as ever: the precompiled copy only spares the parsing).
# qv_precompile(TARGET FROM OWNER): TARGET uses OWNER's precompiled header; both must be compiled
# with the same options (GCC ignores a precompiled header made with others and parses the headers
# again), and TARGET needs OWNER's include folders for those headers.
function(qv_precompile target)
  if(ARGC EQUAL 3 AND ARGV1 STREQUAL "FROM")
    target_precompile_headers(${target} REUSE_FROM ${ARGV2})
  else()
    target_precompile_headers(${target} PRIVATE ${ARGN})
  endif()
endfunction()
