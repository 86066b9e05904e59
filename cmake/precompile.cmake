# Precompiled headers: the system, standard and library headers that most files of a group of
# targets include are parsed once for the group (windows.h alone is over a second a file). The
# compiled code is the same as without. The tests, the stand-in and the engine runtime use them;
# the shipped code does not (its files gained about as much as its two headers cost to build, and
# it keeps every warning as it was).
#
# qv_precompile(TARGET HEADER...): TARGET's C++ files are compiled with HEADER... precompiled
# (include them as ever: the precompiled copy only spares the parsing).
# qv_precompile(TARGET FROM OWNER): TARGET uses OWNER's precompiled header; both must be compiled
# with the same options (GCC ignores a precompiled header made with others and parses the headers
# again), and TARGET needs OWNER's include folders for those headers.
#
# GCC 12 loses the system-header mark of the standard library's inline code read from a
# precompiled header, and then reports, at our calls, out-of-bounds copies inside std::basic_string
# (-Warray-bounds, -Wstringop-overread, -Wstringop-overflow) that the same code without one does not get; the machine
# code is the same either way. Those warnings are off where a precompiled header is used: a
# build with -DQUORVANE_PRECOMPILED_HEADERS=OFF has none and shows them as ever.
option(QUORVANE_PRECOMPILED_HEADERS "Parse the common headers once per group of targets" ON)
function(qv_precompile target)
  if(NOT QUORVANE_PRECOMPILED_HEADERS)
    return()
  endif()
  if(ARGC EQUAL 3 AND ARGV1 STREQUAL "FROM")
    target_precompile_headers(${target} REUSE_FROM ${ARGV2})
  else()
    target_precompile_headers(${target} PRIVATE ${ARGN})
  endif()
  target_compile_options(${target} PRIVATE -Wno-array-bounds -Wno-stringop-overread
                                           -Wno-stringop-overflow)
endfunction()

# A compiler cache (ccache, as developers' environments set it up) caches files compiled with a
# precompiled header only when told to accept its macros and time stamps as they are; otherwise
# it compiles every such file again.
if(CMAKE_CXX_COMPILER_LAUNCHER MATCHES "ccache$")
  set(CMAKE_CXX_COMPILER_LAUNCHER "${CMAKE_COMMAND}" -E env
      "CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime"
      ${CMAKE_CXX_COMPILER_LAUNCHER})
endif()
