# Runs the demo's design mode headless on its own form and checks that it painted a PNG.
#   cmake -DDEMO=<kv_demo> -DOUT=<file.png> -P CheckDesignPng.cmake
file(REMOVE "${OUT}")
execute_process(COMMAND "${DEMO}" --design --png "${OUT}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "kv_demo --design failed (${result}):\n${output}\n${errors}")
endif()
if(NOT output MATCHES "designer painted offscreen to" OR NOT EXISTS "${OUT}")
  message(FATAL_ERROR "kv_demo --design wrote no picture:\n${output}")
endif()
file(READ "${OUT}" head LIMIT 8 HEX)
if(NOT head STREQUAL "89504e470d0a1a0a")
  message(FATAL_ERROR "${OUT} is not a PNG (${head})")
endif()
file(SIZE "${OUT}" size)
# The form's grid, the tree and the inspector compress far less than a blank window.
if(size LESS 20000)
  message(FATAL_ERROR "${OUT} holds only ${size} bytes: nothing painted")
endif()
message(STATUS "${OUT}: ${size} bytes")
