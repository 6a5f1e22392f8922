# Installs the built library into a fresh prefix, builds the README example against the installed
# package in a folder outside the tree, runs it offscreen and checks what it prints.
# -DBUILD_DIR= -DWORK_DIR= -DEXAMPLE= -DBUILD_TYPE= -DEXPECT=
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR}/src)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(run_out "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix)
file(COPY ${CMAKE_CURRENT_LIST_DIR}/CMakeLists.txt DESTINATION ${WORK_DIR}/src)
file(COPY ${EXAMPLE} DESTINATION ${WORK_DIR}/src)
get_filename_component(example_name ${EXAMPLE} NAME)
run(${CMAKE_COMMAND} -S ${WORK_DIR}/src -B ${WORK_DIR}/build -G Ninja
    -DCMAKE_BUILD_TYPE=${BUILD_TYPE} -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix
    -DKV_CONSUMER_SOURCE=${WORK_DIR}/src/${example_name})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)

# The application includes nothing from the source tree.
file(STRINGS ${WORK_DIR}/build/build.ninja flags REGEX "INCLUDES|FLAGS")
string(FIND "${flags}" "${SOURCE_DIR}" at)
if(NOT at EQUAL -1)
  message(FATAL_ERROR "the consumer's build reaches into the source tree ${SOURCE_DIR}")
endif()

set(ENV{QT_QPA_PLATFORM} offscreen)
run(${WORK_DIR}/build/consumer)
string(FIND "${run_out}" "${EXPECT}" found)
if(found EQUAL -1)
  message(FATAL_ERROR "the consumer printed:\n${run_out}\nexpected to find: ${EXPECT}")
endif()
message(STATUS "consumer printed: ${run_out}")
# A passing run leaves nothing behind; a failing one keeps its folder to look at.
file(REMOVE_RECURSE ${WORK_DIR})
