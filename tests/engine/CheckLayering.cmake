# cmake -DSOURCE_DIR=<src> -DLOWER_AREAS=a;b -DFORBIDDEN_AREAS=x;y -P CheckLayering.cmake
#
# Fails, listing every offending line, when a source file of a lower area
# includes a header of a forbidden area ("queue/Queue.h", also written as
# "../queue/Queue.h" or with angle brackets).
foreach(var SOURCE_DIR LOWER_AREAS FORBIDDEN_AREAS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "CheckLayering: ${var} is not set")
  endif()
endforeach()

string(REPLACE ";" "|" forbidden "${FORBIDDEN_AREAS}")
set(include_pattern "^[ \t]*#[ \t]*include[ \t]*[\"<](\\.\\./)*(${forbidden})/")

set(offences "")
set(checked 0)
foreach(area IN LISTS LOWER_AREAS)
  if(NOT IS_DIRECTORY "${SOURCE_DIR}/${area}")
    message(FATAL_ERROR "CheckLayering: ${SOURCE_DIR}/${area} does not exist")
  endif()
  file(GLOB_RECURSE files "${SOURCE_DIR}/${area}/*.h" "${SOURCE_DIR}/${area}/*.cpp")
  foreach(file IN LISTS files)
    math(EXPR checked "${checked} + 1")
    file(STRINGS "${file}" lines REGEX "include")
    foreach(line IN LISTS lines)
      if(line MATCHES "${include_pattern}")
        file(RELATIVE_PATH rel "${SOURCE_DIR}" "${file}")
        string(APPEND offences "  src/${rel}: ${line}\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(checked EQUAL 0)
  message(FATAL_ERROR "CheckLayering: no source files found under ${SOURCE_DIR} (${LOWER_AREAS})")
endif()
if(offences)
  message(FATAL_ERROR "These files of ${LOWER_AREAS} include a higher layer (${FORBIDDEN_AREAS}):\n${offences}"
                      "Give the lower layer a small interface of its own instead.")
endif()
message(STATUS "CheckLayering: ${checked} files of ${LOWER_AREAS} include nothing of ${FORBIDDEN_AREAS}")
